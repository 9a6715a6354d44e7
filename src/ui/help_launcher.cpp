#include "ui/help_launcher.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>

#include "model/operator_log.h"

namespace kov {

namespace {

bool StartsWithNoCase(const std::string& text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char p, char c) {
               return p == std::tolower(static_cast<unsigned char>(c));
           });
}

}  // namespace

std::string NormalizeUrl(const std::string& address) {
    if (StartsWithNoCase(address, "https://") || StartsWithNoCase(address, "http://")) {
        return address;
    }
    return "http://" + address;
}

bool OpenInBrowser(std::string& address, Browser& browser) noexcept {
    try {
        address = NormalizeUrl(address);
        return browser.openAddress(address);
    } catch (...) {
        return false;
    }
}

std::string HelpPagePath(const std::string& programFolder) {
    return (std::filesystem::path(programFolder) / "docs" / "help.html").string();
}

bool OpenHelpPage(const std::string& programFolder, Browser& browser) noexcept {
    try {
        const std::string path = HelpPagePath(programFolder);
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) {
            return false;
        }
        return browser.openFile(path);
    } catch (...) {
        return false;
    }
}

void OpenHelp(OperatorLog& log, const std::string& programFolder, Browser& browser) {
    if (!OpenHelpPage(programFolder, browser)) {
        log.AddLog("Help page could not be opened: " + HelpPagePath(programFolder));
    }
}

}  // namespace kov

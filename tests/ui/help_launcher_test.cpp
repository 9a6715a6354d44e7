#include "ui/help_launcher.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <vector>

namespace kov {
namespace {

TEST(NormalizeUrl, KeepsHttpAndHttpsInAnyCaseAndPutsHttpBeforeEverythingElse) {
    const std::pair<const char*, const char*> rows[] = {
        {"https://kov.example/help", "https://kov.example/help"},
        {"hTtP://Kov.Example/Help.html", "hTtP://Kov.Example/Help.html"},
        {"HTTP://", "HTTP://"},
        {"file:///opt/kov/docs/help.html", "http://file:///opt/kov/docs/help.html"},
        {"http:/kov.example", "http://http:/kov.example"},
        {"", "http://"},
    };
    for (const auto& [in, out] : rows) {
        EXPECT_EQ(NormalizeUrl(in), out) << in;
    }
}

// A browser that remembers what it was asked and answers, or raises, as told.
struct FakeBrowser : Browser {
    enum class Outcome { Starts, Fails, Throws } outcome = Outcome::Starts;
    std::vector<std::string> calls;
    bool answer(const std::string& call) {
        calls.push_back(call);
        if (outcome == Outcome::Throws) {
            throw std::runtime_error("no handler");
        }
        return outcome == Outcome::Starts;
    }
    bool openAddress(const std::string& address) override { return answer("address " + address); }
    bool openFile(const std::string& path) override { return answer("file " + path); }
};

// Every outcome of a browser comes back as a plain answer, and the program's folder holds
// afterwards exactly what it held before: no probe file, written or left behind.
TEST(HelpLauncher, OpensTheManualOrTheAddressAndFailsQuietlyWithoutWritingAFile) {
    using Outcome = FakeBrowser::Outcome;
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("kov_help_" + std::to_string(std::random_device{}()));
    const std::string page = (folder / "docs" / "help.html").string();
    std::filesystem::create_directories(folder / "docs");
    std::ofstream(page) << "<html></html>";
    const struct {
        Outcome outcome;
        bool manualThere;
        bool helpOpens;
        bool addressOpens;
    } rows[] = {
        {Outcome::Starts, true, true, true},
        {Outcome::Fails, true, false, false},
        {Outcome::Throws, true, false, false},
        {Outcome::Starts, false, false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << int(row.outcome) << row.manualThere);
        if (!row.manualThere) {
            std::filesystem::remove(page);
        }
        FakeBrowser browser;
        browser.outcome = row.outcome;
        EXPECT_EQ(OpenHelpPage(folder.string(), browser), row.helpOpens);
        std::string address = "kov.example";
        EXPECT_EQ(OpenInBrowser(address, browser), row.addressOpens);
        EXPECT_EQ(address, "http://kov.example");
        const std::vector<std::string> both{"file " + page, "address http://kov.example"};
        EXPECT_EQ(browser.calls, row.manualThere ? both : std::vector{both[1]});
        std::size_t entries = 0;
        for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
            entries += e.path() == folder / "docs" || e.path() == page ? 1 : 100;
        }
        EXPECT_EQ(entries, row.manualThere ? 2u : 1u);
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace kov

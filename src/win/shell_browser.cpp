#include "win/shell_browser.h"

#include <windows.h>
// windows.h first: shellapi.h relies on its definitions.
#include <shellapi.h>

#include <cstdint>

#include "win/com_types.h"

namespace kov::win {

namespace {

bool Open(const std::string& target) {
    if (target.empty()) {
        return false;  // the shell would open the current folder instead
    }
    // Some handlers start through COM; the shell wants the calling thread in an apartment.
    const ComApartment apartment;
    const HINSTANCE result = ShellExecuteW(GetDesktopWindow(), L"open", Widen(target).c_str(),
                                           nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<std::intptr_t>(result) > 32;
}

}  // namespace

bool ShellBrowser::openAddress(const std::string& address) {
    return Open(address);
}

bool ShellBrowser::openFile(const std::string& path) {
    return Open(path);
}

}  // namespace kov::win

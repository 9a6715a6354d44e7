#pragma once

#include <string>

namespace kov {

class OperatorLog;

// The platform's way to a web browser, kept behind this port so the launcher stays portable and
// tests can fake it. On Linux the Qt window opens through the desktop's own handlers
// (QDesktopServices). On Windows the shell opens it (win/shell_browser: ShellExecuteW with the
// desktop window as parent, verb "open", show normally), counting a result above 32 as started:
// no probe file is written anywhere.
class Browser {
  public:
    virtual ~Browser() = default;
    // Starts the default browser on a web address; true when it was started.
    virtual bool openAddress(const std::string& address) = 0;
    // Opens a local file (a full path) in the program that shows its type; true when started.
    virtual bool openFile(const std::string& path) = 0;
};

// The address to use: unchanged when it begins, in any case, with "https://" or "http://";
// otherwise "http://" followed by the address (another scheme stays behind it).
std::string NormalizeUrl(const std::string& address);

// Replaces `address` by its normalized form and starts the browser on it. True when it was
// started; a browser that fails or raises gives false, never an error.
bool OpenInBrowser(std::string& address, Browser& browser) noexcept;

// Where the operator's manual is installed: "docs/help.html" in the program's folder.
std::string HelpPagePath(const std::string& programFolder);

// Opens the manual from the program's folder; it needs no network. False, and nothing shown,
// when the manual is missing or cannot be opened.
bool OpenHelpPage(const std::string& programFolder, Browser& browser) noexcept;

// Help: the manual beside the program, which works offline, as an observatory often is. A
// failure shows no box, but the log keeps a line for whoever wonders why nothing opened.
void OpenHelp(OperatorLog& log, const std::string& programFolder, Browser& browser);

}  // namespace kov

#pragma once

#include "ui/help_launcher.h"

namespace kov::win {

// The shell's own handlers: ShellExecuteW with the verb "open", shown normally, so the
// operator's default browser opens web addresses and whatever shows ".html" opens the manual.
// A result above 32 means started; nothing is written anywhere to find the browser.
class ShellBrowser : public Browser {
  public:
    bool openAddress(const std::string& address) override;
    bool openFile(const std::string& path) override;
};

}  // namespace kov::win

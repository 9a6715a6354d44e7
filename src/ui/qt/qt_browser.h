#pragma once

#include "ui/help_launcher.h"

namespace kov::qt {

// The desktop's own handlers for web addresses and local files (QDesktopServices); on Linux
// that is xdg-open and the browser the operator chose.
class QtBrowser : public Browser {
  public:
    bool openAddress(const std::string& address) override;
    bool openFile(const std::string& path) override;
};

}  // namespace kov::qt

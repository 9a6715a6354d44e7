#pragma once

#include "station/desktop.h"

namespace kov::win {

// The Windows desktop: top-level windows with their titles, the foreground window and the
// keyboard.
class WinDesktop : public Desktop {
  public:
    // Every top-level window, visible or not, with its title as the window shows it.
    std::vector<TopLevelWindow> topLevelWindows() override;
    // Brings the window to the front, restoring it first when it is minimized. Windows may
    // refuse (another program holds the foreground); foregroundWindow() tells.
    void setForegroundWindow(WindowHandle window) override;
    WindowHandle foregroundWindow() override;
    // Keys go to whichever window has the keyboard focus; a key the system refuses to inject
    // raises an AutomationError rather than being lost without a word.
    void keyDown(int virtualKey) override;
    void keyUp(int virtualKey) override;
};

// Window order for a window of our own (the main window on Windows).
// Keeps the window above every non-topmost window, or returns it to the normal order.
void SetTopmost(WindowHandle window, bool topmost);
// Puts the window at the top of its z-order band without moving, resizing or activating it.
void RaiseToTop(WindowHandle window);
bool IsTopmost(WindowHandle window);

}  // namespace kov::win

#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kov {

using WindowHandle = std::uintptr_t;  // 0 is no window

struct TopLevelWindow {
    WindowHandle handle = 0;
    std::string title;
};

// The desktop services the MaxIm DL route needs to hand an image to the planetarium.
class Desktop {
  public:
    virtual ~Desktop() = default;
    virtual std::vector<TopLevelWindow> topLevelWindows() = 0;
    virtual void setForegroundWindow(WindowHandle window) = 0;
    // The window that has the keyboard now; the window system may refuse or delay a
    // setForegroundWindow, so keystrokes are sent only after this confirms it.
    virtual WindowHandle foregroundWindow() = 0;
    virtual void keyDown(int virtualKey) = 0;
    virtual void keyUp(int virtualKey) = 0;
};

inline constexpr int kVkControl = 17;
inline constexpr int kVkV = 86;

}  // namespace kov

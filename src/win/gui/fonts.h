#pragma once

#include <windows.h>

namespace kov::win::gui {

// The window's fonts at one resolution: the dialog font, its bold face (the current point of
// the list) and the 12 pt face of the two lines read from a step back.
class Fonts {
  public:
    Fonts() = default;
    ~Fonts() { release(); }
    Fonts(const Fonts&) = delete;
    Fonts& operator=(const Fonts&) = delete;

    void make(UINT dpi);
    HFONT normal() const { return normal_; }
    HFONT bold() const { return bold_; }
    HFONT large() const { return large_; }

  private:
    void release();
    HFONT normal_ = nullptr;
    HFONT bold_ = nullptr;
    HFONT large_ = nullptr;
};

// The window's resolution, 96 where the system cannot tell.
UINT WindowDpi(HWND hwnd);
inline int Scaled(int value, UINT dpi) {
    return MulDiv(value, static_cast<int>(dpi), 96);
}

}  // namespace kov::win::gui

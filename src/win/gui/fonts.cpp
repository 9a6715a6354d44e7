#include "win/gui/fonts.h"

#include <initializer_list>

namespace kov::win::gui {

namespace {

HFONT MakeFont(int points, UINT dpi, int weight) {
    return CreateFontW(-MulDiv(points, static_cast<int>(dpi), 72), 0, 0, 0, weight, FALSE, FALSE,
                       FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg 2");
}

}  // namespace

void Fonts::make(UINT dpi) {
    release();
    normal_ = MakeFont(9, dpi, FW_NORMAL);
    bold_ = MakeFont(9, dpi, FW_BOLD);
    large_ = MakeFont(12, dpi, FW_NORMAL);
}

void Fonts::release() {
    for (HFONT* f : {&normal_, &bold_, &large_}) {
        if (*f != nullptr) {
            DeleteObject(*f);
            *f = nullptr;
        }
    }
}

UINT WindowDpi(HWND hwnd) {
    const UINT dpi = hwnd != nullptr ? GetDpiForWindow(hwnd) : 0;
    return dpi != 0 ? dpi : 96;
}

}  // namespace kov::win::gui

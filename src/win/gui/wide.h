#pragma once

#include <windows.h>

#include <string>

namespace kov::win::gui {

// The core's texts are UTF-8; the window's API is UTF-16.
std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);

// A window's text as UTF-8.
std::string WindowText(HWND window);

}  // namespace kov::win::gui

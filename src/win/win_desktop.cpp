#include "win/win_desktop.h"

#include <windows.h>

#include "station/automation_error.h"
#include "win/automation_errors.h"
#include "win/com_types.h"

namespace kov::win {

namespace {

HWND Hwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

std::string TitleOf(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) {
        return {};
    }
    std::wstring title(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, title.data(), length + 1);
    title.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return Narrow(title);
}

BOOL CALLBACK Collect(HWND window, LPARAM param) {
    auto& windows = *reinterpret_cast<std::vector<TopLevelWindow>*>(param);
    windows.push_back({reinterpret_cast<WindowHandle>(window), TitleOf(window)});
    return TRUE;
}

void SendKey(int virtualKey, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(virtualKey);
    input.ki.dwFlags = flags;
    if (SendInput(1, &input, sizeof(INPUT)) != 1) {
        throw ErrorFromHresult(HRESULT_FROM_WIN32(GetLastError()));
    }
}

void CheckWin32(BOOL ok) {
    if (!ok) {
        throw ErrorFromHresult(HRESULT_FROM_WIN32(GetLastError()));
    }
}

}  // namespace

std::vector<TopLevelWindow> WinDesktop::topLevelWindows() {
    std::vector<TopLevelWindow> windows;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

void WinDesktop::setForegroundWindow(WindowHandle window) {
    if (IsIconic(Hwnd(window))) {
        ShowWindow(Hwnd(window), SW_RESTORE);
    }
    SetForegroundWindow(Hwnd(window));
}

WindowHandle WinDesktop::foregroundWindow() {
    return reinterpret_cast<WindowHandle>(GetForegroundWindow());
}

void WinDesktop::keyDown(int virtualKey) {
    SendKey(virtualKey, 0);
}

void WinDesktop::keyUp(int virtualKey) {
    SendKey(virtualKey, KEYEVENTF_KEYUP);
}

void SetTopmost(WindowHandle window, bool topmost) {
    CheckWin32(SetWindowPos(Hwnd(window), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                            SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
}

void RaiseToTop(WindowHandle window) {
    CheckWin32(
        SetWindowPos(Hwnd(window), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
}

bool IsTopmost(WindowHandle window) {
    return (GetWindowLongPtrW(Hwnd(window), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

}  // namespace kov::win

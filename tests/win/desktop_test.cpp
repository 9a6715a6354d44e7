#include "win/win_desktop.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <map>

#include "win/com_types.h"
#include "win/shell_browser.h"

namespace kov::win {
namespace {

// What a test window saw of the keyboard.
struct Keys {
    int ctrlV = 0;   // V pressed while Ctrl was down
    int plainV = 0;  // V pressed alone
};

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_KEYDOWN && w == 'V') {
        if (auto* keys = reinterpret_cast<Keys*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
            ++(GetKeyState(VK_CONTROL) < 0 ? keys->ctrlV : keys->plainV);
        }
    }
    return DefWindowProcW(window, message, w, l);
}

// A real top-level window of the test's own, shown, destroyed when it goes.
class TestWindow {
  public:
    explicit TestWindow(const std::wstring& title) {
        static const ATOM windowClass = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = TestWindowProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"KovDesktopTest";
            return RegisterClassW(&wc);
        }();
        hwnd_ = CreateWindowExW(0, MAKEINTATOM(windowClass), title.c_str(), WS_OVERLAPPEDWINDOW, 40,
                                40, 320, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&keys));
        ShowWindow(hwnd_, SW_SHOWNORMAL);
        Pump();
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    ~TestWindow() {
        if (hwnd_) {
            DestroyWindow(hwnd_);
        }
    }
    WindowHandle handle() const { return reinterpret_cast<WindowHandle>(hwnd_); }
    HWND hwnd() const { return hwnd_; }
    Keys keys;

    // Delivers what is queued for this thread's windows.
    static void Pump() {
        const DWORD until = GetTickCount() + 100;
        MSG msg;
        do {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            Sleep(10);
        } while (GetTickCount() < until);
    }

  private:
    HWND hwnd_ = nullptr;
};

// Found by its title (wide characters beyond ASCII too), brought to the front (also from
// minimized), ordered, and given the keys.
TEST(DesktopTest, FindsOrdersAndTypesIntoWindows) {
    WinDesktop desktop;
    TestWindow planetarium(L"TheSky6 Professional Edition");
    TestWindow other(L"Ciel \u00e9toil\u00e9 \u2014 \u661f");
    ASSERT_TRUE(planetarium.hwnd() && other.hwnd())
        << "no window could be created: Wine needs an X display (tools/test-windows.sh "
           "starts Xvfb when there is none)";
    std::map<WindowHandle, std::string> titles;
    for (const TopLevelWindow& w : desktop.topLevelWindows()) {
        titles[w.handle] = w.title;
    }
    EXPECT_EQ(titles[planetarium.handle()], "TheSky6 Professional Edition");
    EXPECT_EQ(titles[other.handle()], "Ciel \xC3\xA9toil\xC3\xA9 \xE2\x80\x94 \xE6\x98\x9F");
    // The last row comes back from minimized.
    const std::pair<TestWindow*, bool> rows[] = {
        {&planetarium, false}, {&other, false}, {&planetarium, false}, {&other, true}};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        const auto [window, minimized] = rows[i];
        if (minimized) {
            ShowWindow(window->hwnd(), SW_MINIMIZE);
            TestWindow::Pump();
        }
        desktop.setForegroundWindow(window->handle());
        TestWindow::Pump();
        EXPECT_EQ(desktop.foregroundWindow(), window->handle());
        EXPECT_FALSE(IsIconic(window->hwnd()));
    }
    // Keys go to the window in front: Ctrl+V once, then V alone.
    ASSERT_EQ(desktop.foregroundWindow(), other.handle());
    for (const auto& [key, down] : {std::pair{kVkControl, true},
                                    {kVkV, true},
                                    {kVkV, false},
                                    {kVkControl, false},
                                    {kVkV, true},
                                    {kVkV, false}}) {
        down ? desktop.keyDown(key) : desktop.keyUp(key);
    }
    TestWindow::Pump();
    EXPECT_EQ(other.keys.ctrlV, 1);
    EXPECT_EQ(other.keys.plainV, 1);
    EXPECT_EQ(planetarium.keys.ctrlV + planetarium.keys.plainV, 0);
    // A topmost window stays above a normal one that is raised; RaiseToTop orders normal ones.
    auto above = [](const TestWindow& upper, const TestWindow& lower) {
        HWND h = GetWindow(upper.hwnd(), GW_HWNDNEXT);
        while (h && h != lower.hwnd()) {
            h = GetWindow(h, GW_HWNDNEXT);
        }
        return h == lower.hwnd();
    };
    RaiseToTop(planetarium.handle());
    EXPECT_TRUE(above(planetarium, other));
    SetTopmost(other.handle(), true);
    RaiseToTop(planetarium.handle());
    EXPECT_TRUE(IsTopmost(other.handle()) && above(other, planetarium));
    SetTopmost(other.handle(), false);
    EXPECT_FALSE(IsTopmost(other.handle()) || IsTopmost(planetarium.handle()));
}

// What the shell cannot open is reported as not started, never taken for an open manual.
TEST(ShellBrowserTest, WhatCannotBeOpenedIsNotStarted) {
    ShellBrowser browser;
    EXPECT_FALSE(browser.openFile("C:\\no such folder\\help.html"));
    EXPECT_FALSE(browser.openFile(""));
}

}  // namespace
}  // namespace kov::win

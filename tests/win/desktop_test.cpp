#include "win/win_desktop.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <memory>

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

class DesktopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        planetarium_ = std::make_unique<TestWindow>(L"TheSky6 Professional Edition");
        other_ = std::make_unique<TestWindow>(L"Ciel \u00e9toil\u00e9 \u2014 \u661f");
        ASSERT_TRUE(planetarium_->hwnd() && other_->hwnd())
            << "no window could be created: Wine needs an X display (tools/test-windows.sh "
               "starts Xvfb when there is none)";
    }

    WinDesktop desktop_;
    std::unique_ptr<TestWindow> planetarium_;
    std::unique_ptr<TestWindow> other_;
};

// Found by its title (wide characters beyond ASCII too), brought to the front (also from
// minimized), and given the keys.
TEST_F(DesktopTest, FindsWindowsByTitleBringsThemToTheFrontAndTypesIntoThem) {
    std::map<WindowHandle, std::string> titles;
    for (const TopLevelWindow& w : desktop_.topLevelWindows()) {
        titles[w.handle] = w.title;
    }
    EXPECT_EQ(titles[planetarium_->handle()], "TheSky6 Professional Edition");
    EXPECT_EQ(titles[other_->handle()], "Ciel \xC3\xA9toil\xC3\xA9 \xE2\x80\x94 \xE6\x98\x9F");
    // The last row comes back from minimized.
    const std::pair<TestWindow*, bool> rows[] = {{planetarium_.get(), false},
                                                 {other_.get(), false},
                                                 {planetarium_.get(), false},
                                                 {other_.get(), true}};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        const auto [window, minimized] = rows[i];
        if (minimized) {
            ShowWindow(window->hwnd(), SW_MINIMIZE);
            TestWindow::Pump();
        }
        desktop_.setForegroundWindow(window->handle());
        TestWindow::Pump();
        EXPECT_EQ(desktop_.foregroundWindow(), window->handle());
        EXPECT_FALSE(IsIconic(window->hwnd()));
    }
    // Keys go to the window in front: Ctrl+V once, then V alone.
    ASSERT_EQ(desktop_.foregroundWindow(), other_->handle());
    desktop_.keyDown(kVkControl);
    desktop_.keyDown(kVkV);
    desktop_.keyUp(kVkV);
    desktop_.keyUp(kVkControl);
    desktop_.keyDown(kVkV);
    desktop_.keyUp(kVkV);
    TestWindow::Pump();
    EXPECT_EQ(other_->keys.ctrlV, 1);
    EXPECT_EQ(other_->keys.plainV, 1);
    EXPECT_EQ(planetarium_->keys.ctrlV + planetarium_->keys.plainV, 0);
}

// A topmost window stays above a normal one that is raised; RaiseToTop orders normal ones.
TEST_F(DesktopTest, WindowOrder) {
    auto above = [](const TestWindow& upper, const TestWindow& lower) {
        HWND h = GetWindow(upper.hwnd(), GW_HWNDNEXT);
        while (h && h != lower.hwnd()) {
            h = GetWindow(h, GW_HWNDNEXT);
        }
        return h == lower.hwnd();
    };
    RaiseToTop(planetarium_->handle());
    EXPECT_TRUE(above(*planetarium_, *other_));
    SetTopmost(other_->handle(), true);
    RaiseToTop(planetarium_->handle());
    EXPECT_TRUE(IsTopmost(other_->handle()) && above(*other_, *planetarium_));
    SetTopmost(other_->handle(), false);
    EXPECT_FALSE(IsTopmost(other_->handle()) || IsTopmost(planetarium_->handle()));
}

// What the shell cannot open is reported as not started, never taken for an open manual.
TEST(ShellBrowserTest, WhatCannotBeOpenedIsNotStarted) {
    ShellBrowser browser;
    EXPECT_FALSE(browser.openFile("C:\\no such folder\\help.html"));
    EXPECT_FALSE(browser.openFile(""));
}

}  // namespace
}  // namespace kov::win

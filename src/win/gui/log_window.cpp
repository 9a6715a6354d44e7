#include "win/gui/log_window.h"

#include <algorithm>
#include <cstdio>

#include "commands/save_files.h"
#include "station/clock.h"
#include "station/operator.h"
#include "station/texts.h"
#include "win/gui/control_ids.h"
#include "win/gui/fonts.h"
#include "win/gui/wide.h"

namespace kov::win::gui {

namespace {

constexpr UINT_PTR kFlushTimer = 1;
constexpr UINT kFlushDelayMs = 100;

}  // namespace

LogWindow::LogWindow(OperatorLog& log, const Clock& clock, Operator& ui, HWND owner, POINT at)
    : log_(log), clock_(clock), ui_(ui), owner_(owner) {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &LogWindow::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kLogWindowClass;
        return RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
    HMENU menu = CreateMenu();
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(ControlId("SaveLog")), L"Save...");
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(ControlId("ClearLog")), L"Clear!");
    const UINT dpi = WindowDpi(owner);
    // Beside the main window where the screen has room, else over its right edge: never off
    // the screen.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = Scaled(560, dpi);
    const int x = std::max(static_cast<int>(work.left),
                           std::min(static_cast<int>(at.x), static_cast<int>(work.right) - width));
    hwnd_ = CreateWindowExW(0, kLogWindowClass, L"KOV Log", WS_OVERLAPPEDWINDOW, x, at.y, width,
                            Scaled(420, dpi), owner, menu, GetModuleHandleW(nullptr), this);
    // Read-only text needs no undo history; no line wrap, so every entry is one line.
    text_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL,
                            0, 0, 10, 10, hwnd_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId("Text1"))),
                            GetModuleHandleW(nullptr), nullptr);
    SendMessageW(text_, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
    font_ = CreateFontW(-MulDiv(9, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                        FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                        CLEARTYPE_QUALITY, FIXED_PITCH | FF_MODERN, L"Courier New");
    SendMessageW(text_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    RECT client;
    GetClientRect(hwnd_, &client);
    MoveWindow(text_, 0, 0, client.right, client.bottom, FALSE);
    showWhole(log_.text());
    log_.attach(this);
    ShowWindow(hwnd_, SW_SHOWNA);
}

LogWindow::~LogWindow() {
    log_.detach(this);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
    DeleteObject(font_);
}

LRESULT CALLBACK LogWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        SetWindowLongPtrW(
            hwnd, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    }
    auto* self = reinterpret_cast<LogWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    switch (msg) {
        case WM_SIZE:
            MoveWindow(self->text_, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
            SendMessageW(self->text_, EM_SCROLLCARET, 0, 0);
            return 0;
        case WM_COMMAND:
            if (LOWORD(wp) == ControlId("SaveLog")) {
                self->SaveLog();
            } else if (LOWORD(wp) == ControlId("ClearLog")) {
                self->ClearLog();
            }
            return 0;
        case WM_TIMER:
            self->flush();
            return 0;
        case WM_CLOSE:
            // The main window owns this one and unchecks "View Log" as it lets it go.
            PostMessageW(self->owner_, kLogWindowClosed, 0, 0);
            return 0;
        default:
            return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

void LogWindow::entryAdded(const std::string& entry, const std::string& wholeLog) {
    // In step when what it shows plus this entry is the whole log; otherwise it was cleared and
    // shows the whole log again.
    if (shown_.size() + entry.size() != wholeLog.size()) {
        showWhole(wholeLog);
        return;
    }
    shown_ += entry;
    // The text box lays out its whole text again at every insertion: the entries of a moment
    // go in together, which still looks live and keeps a fast run fast.
    pending_ += entry;
    SetTimer(hwnd_, kFlushTimer, kFlushDelayMs, nullptr);
}

void LogWindow::flush() {
    KillTimer(hwnd_, kFlushTimer);
    if (!pending_.empty()) {
        append(pending_);
        pending_.clear();
    }
}

void LogWindow::append(const std::string& text) {
    const auto end = static_cast<WPARAM>(GetWindowTextLengthW(text_));
    SendMessageW(text_, EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageW(text_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Wide(text).c_str()));
    SendMessageW(text_, EM_SCROLLCARET, 0, 0);
}

void LogWindow::showWhole(const std::string& wholeLog) {
    shown_ = wholeLog;
    pending_.clear();
    SetWindowTextW(text_, L"");
    append(wholeLog);
}

void LogWindow::ClearLog() {
    shown_.clear();
    pending_.clear();
    SetWindowTextW(text_, L"");
}

void LogWindow::SaveLog() {
    SaveLogText(ui_, clock_, shown_);
}

}  // namespace kov::win::gui

#include "win/gui/main_window.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cstdio>
#include <cstdlib>
#include <regex>

#include "commands/add_point.h"
#include "commands/choose_connect.h"
#include "commands/delete_points.h"
#include "commands/exit.h"
#include "commands/load_save.h"
#include "commands/one_sync_addl_align.h"
#include "commands/slew_to_point.h"
#include "commands/start_stop_test.h"
#include "commands/unexpected_error.h"
#include "model/settings_table.h"
#include "station/settings_store.h"
#include "ui/help_launcher.h"
#include "win/gui/control_ids.h"
#include "win/gui/log_window.h"
#include "win/gui/model_window.h"
#include "win/gui/wide.h"
#include "win/win_desktop.h"

namespace kov::win::gui {

namespace {

// The maker's notice of the design caption; the version follows it.
constexpr const char* kDesignCaption = "Kov Sky Mapper - Gemini pointing model builder";

// The client area at 96 dots per inch: the movement area on the left, the settings frames
// beside it, the two large lines and the command row below. It fits a 1280x800 screen.
constexpr int kClientWidth = 852;
constexpr int kClientHeight = 522;
constexpr int kLeftX = 8;
constexpr int kLeftWidth = 444;
constexpr int kMovementHeight = 404;
constexpr int kSideX = 460;
constexpr int kSideWidth = 384;
constexpr int kRowHeight = 30;
constexpr int kAltColumnWidth = 160;
constexpr int kAzColumnWidth = 230;

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kPush = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kRadio = kChild | WS_TABSTOP | BS_RADIOBUTTON;
constexpr DWORD kEdit = kChild | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kGroup = kChild | BS_GROUPBOX;
constexpr DWORD kStatic = kChild | SS_LEFT | SS_NOPREFIX;

UINT BoxFlags(Buttons buttons, Icon icon) {
    UINT flags = MB_APPLMODAL | MB_SETFOREGROUND;
    switch (buttons) {
        case Buttons::Ok:
            flags |= MB_OK;
            break;
        case Buttons::OkCancel:
            flags |= MB_OKCANCEL;
            break;
        case Buttons::YesNo:
            flags |= MB_YESNO;
            break;
        case Buttons::YesNoCancel:
            flags |= MB_YESNOCANCEL;
            break;
    }
    switch (icon) {
        case Icon::None:
            break;
        case Icon::Critical:
            flags |= MB_ICONERROR;
            break;
        case Icon::Question:
            flags |= MB_ICONQUESTION;
            break;
        case Icon::Exclamation:
            flags |= MB_ICONWARNING;
            break;
        case Icon::Information:
            flags |= MB_ICONINFORMATION;
            break;
    }
    return flags;
}

// A box closed without a button (Escape, its close box) counts as its "no" answer.
Answer FromBox(int result, Buttons buttons) {
    switch (result) {
        case IDOK:
            return Answer::Ok;
        case IDCANCEL:
            return buttons == Buttons::Ok
                       ? Answer::Ok
                       : (buttons == Buttons::YesNo ? Answer::No : Answer::Cancel);
        case IDYES:
            return Answer::Yes;
        case IDNO:
            return Answer::No;
        default:
            break;
    }
    return buttons == Buttons::Ok ? Answer::Ok
                                  : (buttons == Buttons::YesNo ? Answer::No : Answer::Cancel);
}

// "Log files (*.txt;*.log);;All (*.*)" as the dialog wants it: name, NUL, patterns, NUL, ...
std::wstring DialogFilter(const std::string& filter) {
    std::wstring out;
    std::size_t from = 0;
    while (from < filter.size()) {
        std::size_t end = filter.find(";;", from);
        if (end == std::string::npos) {
            end = filter.size();
        }
        const std::string entry = filter.substr(from, end - from);
        const std::size_t open = entry.rfind('(');
        const std::size_t close = entry.rfind(')');
        const std::string patterns = open != std::string::npos && close > open
                                         ? entry.substr(open + 1, close - open - 1)
                                         : std::string("*.*");
        out += Wide(entry) + L'\0' + Wide(patterns) + L'\0';
        from = end + 2;
    }
    return out + L'\0';
}

// A control's caption as the settings table gives it (an option pair's second button included).
std::string ControlCaption(const char* control) {
    const SettingField* f = FindSetting(control);
    if (f == nullptr) {
        return "";
    }
    return f->otherControl != nullptr && std::string(control) == f->otherControl ? f->otherCaption
                                                                                 : f->caption;
}

// The horizon heights of the Map Points pattern, in the order of their grid.
constexpr const char* kHorizonHeights[] = {"tEast", "tWest", "tNorth", "tSouth"};

}  // namespace

std::string MainWindow::Caption() {
    return std::string(kDesignCaption) + " v" + std::to_string(KOV_VERSION_MAJOR) + "." +
           std::to_string(KOV_VERSION_MINOR) + "." + std::to_string(KOV_VERSION_PATCH) + "b";
}

MainWindow::MainWindow(SettingsStore& store, Clock& clock, ObjectFactory& objects, Desktop& desktop,
                       Browser& browser)
    : store_(store), browser_(browser), st_(*this, clock, objects, desktop) {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &MainWindow::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
        wc.lpszClassName = kMainWindowClass;
        return RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
    // Settings first: they arrange the movement frames.
    LoadSettings(st_.settings, store_);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kMainWindowClass, Wide(kDesignCaption).c_str(),
                            style, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr, nullptr,
                            GetModuleHandleW(nullptr), this);
    fonts_.make(WindowDpi(hwnd_));
    build();
    layout();

    st_.record.observe([this](const RunRecord& record, RecordChange change, std::size_t) {
        followRecord(record, change);
    });
    st_.points.observe([this](PointListChange change) { followPoints(change); });
    showRows();
    const std::string caption = Caption();
    SetWindowTextW(hwnd_, Wide(caption).c_str());
    st_.log.AddLog(caption + " Started");
}

MainWindow::~MainWindow() {
    logWindow_.reset();
    modelWindow_.reset();
    if (hwnd_ != nullptr) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void MainWindow::show(int how) {
    ShowWindow(hwnd_, how);
    UpdateWindow(hwnd_);
}

HWND MainWindow::add(const wchar_t* cls, const char* name, const std::string& text, DWORD style,
                     int x, int y, int w, int h, Frame frame, DWORD exStyle) {
    const int id = name != nullptr ? ControlId(name) : 0;
    HWND c = CreateWindowExW(exStyle, cls, Wide(text).c_str(), style, x, y, w, h, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleW(nullptr), nullptr);
    placed_.push_back({c, RECT{x, y, x + w, y + h}, frame, false});
    return c;
}

HWND MainWindow::control(const char* name) const {
    return GetDlgItem(hwnd_, ControlId(name));
}

void MainWindow::build() {
    // Made in the order Tab walks them, as in the Qt window: the movement frames (the horizon
    // frame first), mapping, telescope, camera, then the command row.
    buildHorizon(kLeftX, 8);
    buildZigZag(kLeftX, 8);
    buildList(kLeftX, 8);
    buildSide(kSideX, 8);
    const int statusY = 8 + kMovementHeight + 6;
    for (const char* name : {"Status", "GeminiResult"}) {
        const int y = statusY + (std::string(name) == "Status" ? 0 : 30);
        add(WC_STATICW, name, "", kStatic | SS_SUNKEN | SS_CENTERIMAGE | SS_ENDELLIPSIS, kLeftX, y,
            kClientWidth - 2 * kLeftX, 26, kAlways);
        placed_.back().large = true;
    }
    buildCommandRow(statusY + 64);

    RunSettings& s = st_.settings;
    for (const char* name : {"bZigZag_0", "bZigZag_1", "bZigZag_2"}) {
        commands_[ControlId(name)] = [&s](int) { s.bZigZag.set(true); };
    }
    for (const char* name : {"bFractal_0", "bFractal_1", "bFractal_2"}) {
        commands_[ControlId(name)] = [&s](int) { s.bZigZag.set(false); };
    }
    showPattern(s.bZigZag());
    s.bZigZag.observe([this](bool zigZag) { showPattern(zigZag); });
}

void MainWindow::buildHorizon(int x, int y) {
    add(WC_BUTTONW, "FrameFractal", "Movement Settings", kGroup, x, y, kLeftWidth, kMovementHeight,
        kFractal);
    add(WC_BUTTONW, "bFractal_1", ControlCaption("bFractal"), kRadio | WS_GROUP, x + 12, y + 20,
        110, 22, kFractal);
    add(WC_BUTTONW, "bZigZag_1", ControlCaption("bZigZag"), kRadio, x + 130, y + 20, 100, 22,
        kFractal);
}

void MainWindow::buildZigZag(int x, int y) {
    add(WC_BUTTONW, "FrameZigZag", "Movement Settings", kGroup, x, y, kLeftWidth, kMovementHeight,
        kZigZag);
    add(WC_BUTTONW, "bZigZag_0", ControlCaption("bZigZag"), kRadio | WS_GROUP, x + 12, y + 20, 100,
        22, kZigZag);
    add(WC_BUTTONW, "bFractal_0", ControlCaption("bFractal"), kRadio, x + 120, y + 20, 110, 22,
        kZigZag);
    int row = y + 54;
    for (const char* name :
         {"InitialMoveRA", "MoveInRA", "MoveInDEC", "ReverseRA", "DECMaxRange"}) {
        add(WC_STATICW, nullptr, ControlCaption(name), kStatic, x + 12, row + 3, 150, 20, kZigZag);
        add(WC_EDITW, name, "", kEdit | WS_GROUP, x + 170, row, 90, 22, kZigZag, WS_EX_CLIENTEDGE);
        add(WC_STATICW, nullptr, "degrees", kStatic, x + 268, row + 3, 70, 20, kZigZag);
        bindText(name);
        row += kRowHeight;
    }
    add(WC_STATICW, nullptr, "Start moving in RA towards:", kStatic, x + 12, row + 8, 250, 20,
        kZigZag);
    add(WC_BUTTONW, "WestFirst", ControlCaption("WestFirst"), kRadio | WS_GROUP, x + 12, row + 30,
        80, 22, kZigZag);
    add(WC_BUTTONW, "EastFirst", ControlCaption("EastFirst"), kRadio, x + 100, row + 30, 80, 22,
        kZigZag);
    bindPair("WestFirst", "EastFirst", st_.settings.WestFirst);
}

void MainWindow::buildList(int x, int y) {
    add(WC_BUTTONW, "FrameList", "Movement Settings", kGroup, x, y, kLeftWidth, kMovementHeight,
        kList);
    add(WC_BUTTONW, "bZigZag_2", ControlCaption("bZigZag"), kRadio | WS_GROUP, x + 12, y + 20, 100,
        22, kList);
    add(WC_BUTTONW, "bFractal_2", ControlCaption("bFractal"), kRadio, x + 120, y + 20, 110, 22,
        kList);
    HWND lv =
        add(WC_LISTVIEWW, "LV", "", kChild | WS_TABSTOP | WS_GROUP | LVS_REPORT | LVS_SHOWSELALWAYS,
            x + 12, y + 48, kLeftWidth - 24, 176, kList, WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(lv, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    int column = 0;
    for (const wchar_t* heading : {L"Alt", L"Az"}) {
        LVCOLUMNW c{};
        c.mask = LVCF_TEXT | LVCF_WIDTH;
        c.pszText = const_cast<wchar_t*>(heading);
        c.cx = column == 0 ? kAltColumnWidth : kAzColumnWidth;
        ListView_InsertColumn(lv, column++, &c);
    }
    add(WC_STATICW, "FileDisplay", "", kStatic | SS_PATHELLIPSIS, x + 12, y + 230, kLeftWidth - 24,
        20, kList);
    int bx = x + 12;
    const struct {
        const char* name;
        const char* caption;
        void (*command)(Station&);
    } buttons[] = {{"AddPoint", "Add Point", &AddPoint},
                   {"Delete", "Delete", &DeletePoints},
                   {"LoadPts", "Load...", &LoadPts},
                   {"SavePoints", "Save...", &SavePoints}};
    for (const auto& b : buttons) {
        add(WC_BUTTONW, b.name, b.caption, kPush | WS_GROUP, bx, y + 254, 96, 26, kList);
        commands_[ControlId(b.name)] = [this, command = b.command](int) {
            guarded([this, command] { command(st_); });
        };
        bx += 104;
    }
    // These fields belong to the Map Points pattern, so they sit under its list.
    const int hy = y + 290;
    add(WC_BUTTONW, "HorizonHeights", "Height above the Horizon:", kGroup, x + 12, hy,
        kLeftWidth - 24, 100, kList);
    int at = 0;
    for (const char* name : kHorizonHeights) {
        const int cx = x + 24 + (at % 2) * 200;
        const int cy = hy + 26 + (at / 2) * kRowHeight;
        add(WC_STATICW, nullptr, ControlCaption(name), kStatic, cx, cy + 3, 84, 20, kList);
        add(WC_EDITW, name, "", kEdit | WS_GROUP, cx + 86, cy, 50, 22, kList, WS_EX_CLIENTEDGE);
        add(WC_STATICW, nullptr, "degrees", kStatic, cx + 142, cy + 3, 56, 20, kList);
        bindText(name);
        ++at;
    }
}

void MainWindow::buildSide(int x, int y) {
    RunSettings& s = st_.settings;
    // Mapping Configuration.
    add(WC_BUTTONW, "Frame1", "Mapping Configuration", kGroup, x, y, kSideWidth, 84, kAlways);
    add(WC_STATICW, nullptr, ControlCaption("NumberOfAligns"), kStatic, x + 12, y + 27, 60, 20,
        kAlways);
    add(WC_EDITW, "NumberOfAligns", "", kEdit | WS_GROUP, x + 76, y + 24, 60, 22, kAlways,
        WS_EX_CLIENTEDGE);
    bindText("NumberOfAligns");
    add(WC_STATICW, "ImageNumber", "", kStatic, x + 12, y + 56, 130, 20, kAlways);
    HWND bar = add(PROGRESS_CLASSW, "RunProgress", "", WS_CHILD, x + 150, y + 54, kSideWidth - 162,
                   20, kAlways);
    SendMessageW(bar, PBM_SETRANGE32, 0, 1);

    // Telescope.
    const int ty = y + 92;
    add(WC_BUTTONW, "Frame3", "Telescope", kGroup, x, ty, kSideWidth, 130, kAlways);
    add(WC_BUTTONW, "OptionSky5", ControlCaption("OptionSky5"), kRadio | WS_GROUP, x + 12, ty + 20,
        250, 22, kAlways);
    add(WC_BUTTONW, "OptionSky6", ControlCaption("OptionSky6"), kRadio, x + 12, ty + 44, 250, 22,
        kAlways);
    bindPair("OptionSky5", "OptionSky6", s.OptionSky5);
    HWND scope =
        add(WC_STATICW, "ScopeName", s.ScopeName(), kStatic, x + 12, ty + 72, 300, 20, kAlways);
    s.ScopeName.observe(
        [scope](const std::string& name) { SetWindowTextW(scope, Wide(name).c_str()); });
    add(WC_BUTTONW, "Command4", "Choose", kPush | WS_GROUP, x + 12, ty + 96, 90, 26, kAlways);
    add(WC_BUTTONW, "Command3", "Connect", kPush, x + 110, ty + 96, 90, 26, kAlways);
    commands_[ControlId("Command4")] = [this](int) { guarded([this] { ChooseTelescope(st_); }); };
    commands_[ControlId("Command3")] = [this](int) { guarded([this] { ConnectTelescope(st_); }); };

    // Camera & Plate Solution Setup, made in reading order.
    const int cy = ty + 138;
    add(WC_BUTTONW, "Frame5", "Camera && Plate Solution Setup", kGroup, x, cy, kSideWidth, 122,
        kAlways);
    add(WC_STATICW, nullptr, "Software:", kStatic, x + 12, cy + 25, 64, 20, kAlways);
    add(WC_BUTTONW, "bCCDSoft", ControlCaption("bCCDSoft"), kRadio | WS_GROUP, x + 80, cy + 22, 80,
        22, kAlways);
    add(WC_BUTTONW, "bMaxim", ControlCaption("bMaxim"), kRadio, x + 164, cy + 22, 84, 22, kAlways);
    bindPair("bCCDSoft", "bMaxim", s.bCCDSoft);
    HWND dark = add(WC_BUTTONW, "bAutoDark", ControlCaption("bAutoDark"),
                    kChild | WS_TABSTOP | WS_GROUP | BS_3STATE, x + 256, cy + 22, 110, 22, kAlways);
    const auto showDark = [dark](CheckState state) {
        SendMessageW(dark, BM_SETCHECK,
                     state == CheckState::Checked  ? BST_CHECKED
                     : state == CheckState::Grayed ? BST_INDETERMINATE
                                                   : BST_UNCHECKED,
                     0);
    };
    showDark(s.bAutoDark());
    s.bAutoDark.observe(showDark);
    // A stored grayed state shows as such; once the operator clicks, two states again.
    commands_[ControlId("bAutoDark")] = [&s](int) {
        s.bAutoDark.set(s.bAutoDark() == CheckState::Checked ? CheckState::Unchecked
                                                             : CheckState::Checked);
    };

    add(WC_STATICW, nullptr, ControlCaption("PixelScale"), kStatic, x + 12, cy + 55, 90, 20,
        kAlways);
    add(WC_EDITW, "PixelScale", "", kEdit | WS_GROUP, x + 106, cy + 52, 70, 22, kAlways,
        WS_EX_CLIENTEDGE);
    bindText("PixelScale");
    add(WC_STATICW, nullptr, ControlCaption("BinMode"), kStatic, x + 192, cy + 55, 40, 20, kAlways);
    HWND bin = add(WC_COMBOBOXW, "BinMode", "", kChild | WS_TABSTOP | WS_GROUP | CBS_DROPDOWNLIST,
                   x + 236, cy + 51, 70, 160, kAlways);
    for (const char* mode : kBinModes) {
        SendMessageW(bin, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(mode).c_str()));
    }
    SendMessageW(bin, CB_SETCURSEL, static_cast<WPARAM>(s.BinMode()), 0);
    s.BinMode.observe(
        [bin](int index) { SendMessageW(bin, CB_SETCURSEL, static_cast<WPARAM>(index), 0); });
    commands_[ControlId("BinMode")] = [&s, bin](int code) {
        if (code == CBN_SELCHANGE) {
            const auto index = static_cast<int>(SendMessageW(bin, CB_GETCURSEL, 0, 0));
            if (index >= 0) {
                s.BinMode.set(index);
            }
        }
    };
    add(WC_STATICW, nullptr, ControlCaption("Exposure"), kStatic, x + 12, cy + 87, 90, 20, kAlways);
    add(WC_EDITW, "Exposure", "", kEdit | WS_GROUP, x + 106, cy + 84, 70, 22, kAlways,
        WS_EX_CLIENTEDGE);
    bindText("Exposure");
    add(WC_STATICW, nullptr, ControlCaption("Delay"), kStatic, x + 192, cy + 87, 40, 20, kAlways);
    add(WC_EDITW, "Delay", "", kEdit | WS_GROUP, x + 236, cy + 84, 70, 22, kAlways,
        WS_EX_CLIENTEDGE);
    bindText("Delay");
}

void MainWindow::buildCommandRow(int y) {
    int x = kLeftX;
    const struct {
        const char* name;
        const char* caption;
        void (*command)(Station&);
    } work[] = {{"Command1", "START", &Command1Click},
                {"TestIt", "TEST", &TestItClick},
                {"DoSync", "One Sync", &DoSyncClick},
                {"AddlAlign", "Add'l Align", &AddlAlignClick}};
    for (const auto& b : work) {
        add(WC_BUTTONW, b.name, b.caption, kPush | (x == kLeftX ? WS_GROUP : 0), x, y, 90, 28,
            kAlways);
        commands_[ControlId(b.name)] = [this, command = b.command](int) {
            guarded([this, command] { command(st_); });
        };
        x += 96;
    }
    x = kClientWidth - kLeftX - 80 - 80 - 8 - 100 - 90;
    const DWORD check = kChild | WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX;
    add(WC_BUTTONW, "Check1", "View Log", check, x, y + 4, 86, 22, kAlways);
    add(WC_BUTTONW, "ViewModel", "View Model", check, x + 90, y + 4, 98, 22, kAlways);
    add(WC_BUTTONW, "Command5", "Help", kPush | WS_GROUP, x + 196, y, 80, 28, kAlways);
    add(WC_BUTTONW, "Command2", "EXIT", kPush, x + 284, y, 80, 28, kAlways);
    commands_[ControlId("Check1")] = [this](int) {
        setViewLog(SendMessageW(control("Check1"), BM_GETCHECK, 0, 0) == BST_CHECKED);
    };
    commands_[ControlId("ViewModel")] = [this](int) {
        setViewModel(SendMessageW(control("ViewModel"), BM_GETCHECK, 0, 0) == BST_CHECKED);
    };
    commands_[ControlId("Command5")] = [this](int) { Help(); };
    commands_[ControlId("Command2")] = [this](int) { Exit(); };
}

void MainWindow::bindText(const char* name) {
    HWND edit = control(name);
    Observable<std::string>& field = st_.settings.*(FindSetting(name)->text);
    const auto show = [this, edit](const std::string& value) {
        if (WindowText(edit) != value) {
            echo_ = true;
            SetWindowTextW(edit, Wide(value).c_str());
            echo_ = false;
        }
    };
    show(field());
    field.observe(show);
    // An edit goes straight into the settings.
    commands_[ControlId(name)] = [this, edit, &field](int code) {
        if (code == EN_CHANGE && !echo_) {
            field.set(WindowText(edit));
        }
    };
}

void MainWindow::bindPair(const char* first, const char* second, Observable<bool>& field) {
    HWND a = control(first);
    HWND b = control(second);
    const auto show = [a, b](bool value) {
        SendMessageW(a, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
        SendMessageW(b, BM_SETCHECK, value ? BST_UNCHECKED : BST_CHECKED, 0);
    };
    show(field());
    field.observe(show);
    commands_[ControlId(first)] = [&field](int) { field.set(true); };
    commands_[ControlId(second)] = [&field](int) { field.set(false); };
}

void MainWindow::layout() {
    const UINT dpi = WindowDpi(hwnd_);
    for (const Placed& p : placed_) {
        const RECT& r = p.at;
        // A drop-down list's height is its list's; the rest scale as placed.
        MoveWindow(p.hwnd, Scaled(r.left, dpi), Scaled(r.top, dpi), Scaled(r.right - r.left, dpi),
                   Scaled(r.bottom - r.top, dpi), FALSE);
        SendMessageW(p.hwnd, WM_SETFONT,
                     reinterpret_cast<WPARAM>(p.large ? fonts_.large() : fonts_.normal()), FALSE);
    }
    HWND lv = control("LV");
    ListView_SetColumnWidth(lv, 0, Scaled(kAltColumnWidth, dpi));
    ListView_SetColumnWidth(lv, 1, Scaled(kAzColumnWidth, dpi));
    RECT frame{0, 0, Scaled(kClientWidth, dpi), Scaled(kClientHeight, dpi)};
    AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)), dpi);
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void MainWindow::showPattern(bool zigZag) {
    // Whichever frame shows takes the horizon-height frame's place, and all three frames'
    // buttons follow the pattern.
    for (const Placed& p : placed_) {
        if (p.frame == kAlways) {
            continue;
        }
        const bool shown = p.frame == (zigZag ? kZigZag : kList);
        ShowWindow(p.hwnd, shown ? SW_SHOWNA : SW_HIDE);
    }
    for (int i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i);
        SendMessageW(control(("bZigZag_" + n).c_str()), BM_SETCHECK,
                     zigZag ? BST_CHECKED : BST_UNCHECKED, 0);
        SendMessageW(control(("bFractal_" + n).c_str()), BM_SETCHECK,
                     zigZag ? BST_UNCHECKED : BST_CHECKED, 0);
    }
}

LRESULT CALLBACK MainWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self != nullptr ? self->handle(msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT MainWindow::handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            onCommand(LOWORD(wp), HIWORD(wp));
            return 0;
        case WM_NOTIFY:
            return onNotify(reinterpret_cast<NMHDR*>(lp));
        case WM_CLOSE:
            close();
            return 0;
        case WM_DESTROY:
            hwnd_ = nullptr;
            PostQuitMessage(0);
            return 0;
        case WM_DPICHANGED: {
            fonts_.make(HIWORD(wp));
            const auto* suggested = reinterpret_cast<const RECT*>(lp);
            SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            layout();
            return 0;
        }
        case kLogWindowClosed:
            SendMessageW(control("Check1"), BM_SETCHECK, BST_UNCHECKED, 0);
            logWindow_.reset();
            return 0;
        case kModelWindowClosed:
            SendMessageW(control("ViewModel"), BM_SETCHECK, BST_UNCHECKED, 0);
            modelWindow_.reset();
            return 0;
        default:
            return DefWindowProcW(hwnd_, msg, wp, lp);
    }
}

void MainWindow::onCommand(int id, int code) {
    const auto found = commands_.find(id);
    if (found == commands_.end()) {
        return;
    }
    // Buttons act on a click; edits and the list on their own notifications.
    HWND c = GetDlgItem(hwnd_, id);
    wchar_t cls[32] = {};
    GetClassNameW(c, cls, 32);
    if (lstrcmpiW(cls, WC_BUTTONW) == 0 && code != BN_CLICKED) {
        return;
    }
    const std::function<void(int)> action = found->second;  // a nested click may rebuild nothing
    action(code);
}

LRESULT MainWindow::onNotify(NMHDR* header) {
    if (header->idFrom != static_cast<UINT_PTR>(ControlId("LV"))) {
        return 0;
    }
    switch (header->code) {
        case LVN_ITEMCHANGED: {
            const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
            if ((change->uChanged & LVIF_STATE) != 0 &&
                ((change->uOldState ^ change->uNewState) & LVIS_SELECTED) != 0) {
                selectionEdited();
            }
            return 0;
        }
        case NM_DBLCLK: {
            const auto* item = reinterpret_cast<NMITEMACTIVATE*>(header);
            if (item->iItem < 0) {
                return 0;
            }
            const auto row = static_cast<std::size_t>(item->iItem);
            guarded([this, row] {
                st_.points.setFocus(row);
                SlewToSelectedPoint(st_);
            });
            return 0;
        }
        case NM_CUSTOMDRAW: {
            // The current point of a run is drawn bold.
            auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
            if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
                return CDRF_NOTIFYITEMDRAW;
            }
            if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT &&
                st_.points.isBold(static_cast<std::size_t>(draw->nmcd.dwItemSpec))) {
                SelectObject(draw->nmcd.hdc, fonts_.bold());
                return CDRF_NEWFONT;
            }
            return CDRF_DODEFAULT;
        }
        default:
            return 0;
    }
}

void MainWindow::guarded(const std::function<void()>& command) {
    struct UnderWay {
        int& count;
        explicit UnderWay(int& c) : count(c) { ++count; }
        ~UnderWay() { --count; }
        UnderWay(const UnderWay&) = delete;
        UnderWay& operator=(const UnderWay&) = delete;
    } underWay(underWay_);
    GuardCommand(st_, command);
}

// --- The point list ---------------------------------------------------------------------

void MainWindow::followPoints(PointListChange change) {
    HWND lv = control("LV");
    switch (change) {
        case PointListChange::Rows:
            showRows();
            break;
        case PointListChange::Selection:
            if (!showing_) {
                showSelection();
            }
            break;
        case PointListChange::Bold:
            InvalidateRect(lv, nullptr, FALSE);
            UpdateWindow(lv);
            break;
        case PointListChange::Scroll:
            if (const auto row = st_.points.scrollRow()) {
                ListView_EnsureVisible(lv, static_cast<int>(*row), FALSE);
            }
            break;
    }
}

void MainWindow::showRows() {
    HWND lv = control("LV");
    showing_ = true;
    SendMessageW(lv, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(lv);
    int row = 0;
    for (const MappingPoint& p : st_.points.points()) {
        std::wstring alt = Wide(p.alt);
        std::wstring az = Wide(p.az);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = alt.data();
        ListView_InsertItem(lv, &item);
        ListView_SetItemText(lv, row, 1, az.data());
        ++row;
    }
    SendMessageW(lv, WM_SETREDRAW, TRUE, 0);
    showing_ = false;
    showSelection();
    InvalidateRect(lv, nullptr, TRUE);
}

void MainWindow::showSelection() {
    HWND lv = control("LV");
    showing_ = true;
    const int count = ListView_GetItemCount(lv);
    for (int row = 0; row < count; ++row) {
        ListView_SetItemState(
            lv, row, st_.points.isSelected(static_cast<std::size_t>(row)) ? LVIS_SELECTED : 0,
            LVIS_SELECTED);
    }
    showing_ = false;
}

void MainWindow::selectionEdited() {
    if (showing_) {
        return;
    }
    HWND lv = control("LV");
    std::vector<std::size_t> rows;
    for (int row = ListView_GetNextItem(lv, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(lv, row, LVNI_SELECTED)) {
        rows.push_back(static_cast<std::size_t>(row));
    }
    showing_ = true;
    st_.points.setSelected(rows);
    showing_ = false;
}

// --- Work in progress -------------------------------------------------------------------

void MainWindow::followRecord(const RunRecord& record, RecordChange change) {
    // The bar lives as long as a piece of work: it appears when work begins and goes when the
    // work has ended, whatever the ending.
    HWND bar = control("RunProgress");
    if (change == RecordChange::Begun) {
        SendMessageW(bar, PBM_SETRANGE32, 0, std::max(1, record.pointsAsked));
        SendMessageW(bar, PBM_SETPOS, 0, 0);
        ShowWindow(bar, SW_SHOWNA);
    } else if (change == RecordChange::Ended) {
        ShowWindow(bar, SW_HIDE);
    }
    if (modelWindow_) {
        modelWindow_->recordChanged();
    }
}

// --- The window's own commands ----------------------------------------------------------

void MainWindow::setViewLog(bool on) {
    if (!on) {
        logWindow_.reset();
        return;
    }
    if (!logWindow_) {
        RECT frame;
        GetWindowRect(hwnd_, &frame);
        logWindow_ = std::make_unique<LogWindow>(st_.log, st_.clock, *this, hwnd_,
                                                 POINT{frame.right + 8, frame.top});
    }
}

void MainWindow::setViewModel(bool on) {
    if (!on) {
        modelWindow_.reset();
        return;
    }
    if (!modelWindow_) {
        RECT frame;
        GetWindowRect(hwnd_, &frame);
        modelWindow_ =
            std::make_unique<ModelWindow>(st_, hwnd_, POINT{frame.left + 30, frame.top + 60});
    }
}

void MainWindow::Help() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder = folder.substr(0, folder.find_last_of(L"\\/"));
    OpenHelp(st_.log, Utf8(folder), browser_);
}

void MainWindow::Exit() {
    if (exiting_ || !ConfirmExitDuringRun(st_)) {
        return;
    }
    exiting_ = true;
    unload();
    // Nothing after this may call out: a wait of the work it stopped must not go on.
    endProgram();
}

void MainWindow::close() {
    // The close box during a run asks as EXIT does. A run cannot go on under a window that has
    // gone, nor a command caught in a wait call out after the settings were saved: then the
    // program ends here, as on EXIT.
    const bool duringRun = !exiting_ && !unloaded_ && st_.run.bRunning;
    if (duringRun && !ConfirmExitDuringRun(st_)) {
        return;
    }
    unload();
    if (duringRun || underWay_ > 0) {
        endProgram();
    }
    DestroyWindow(hwnd_);
}

void MainWindow::unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    if (st_.run.bRunning) {
        st_.run.bStop = true;
    }
    try {
        SaveSettings(st_.settings, store_, st_.log);
    } catch (const AutomationError& e) {
        st_.log.AddLog(e.description());
        messageBox(e.description(), "KOV - ERROR", Buttons::Ok, Icon::Critical);
    }
    // The log and model windows show this window's station; they do not outlive it.
    SendMessageW(control("Check1"), BM_SETCHECK, BST_UNCHECKED, 0);
    logWindow_.reset();
    SendMessageW(control("ViewModel"), BM_SETCHECK, BST_UNCHECKED, 0);
    modelWindow_.reset();
}

void MainWindow::endProgram() {
    std::fflush(nullptr);
    std::_Exit(0);
}

// --- Operator ---------------------------------------------------------------------------

void MainWindow::setLabel(Label which, const std::string& text) {
    static const char* const names[] = {"Status", "GeminiResult", "ImageNumber", "FileDisplay",
                                        "Command1"};
    SetWindowTextW(control(names[static_cast<int>(which)]), Wide(text).c_str());
    if (which == Label::ImageNumber) {
        static const std::regex counter("^Image (\\d+)/(\\d+)$");
        std::smatch m;
        if (std::regex_match(text, m, counter)) {
            const int total = std::stoi(m[2].str());
            if (total > 0) {
                HWND bar = control("RunProgress");
                SendMessageW(bar, PBM_SETRANGE32, 0, total);
                SendMessageW(bar, PBM_SETPOS, std::min(std::stoi(m[1].str()), total), 0);
            }
        }
    }
}

std::string MainWindow::label(Label which) const {
    static const char* const names[] = {"Status", "GeminiResult", "ImageNumber", "FileDisplay",
                                        "Command1"};
    return WindowText(control(names[static_cast<int>(which)]));
}

void MainWindow::repaint(Label which) {
    static const char* const names[] = {"Status", "GeminiResult", "ImageNumber", "FileDisplay",
                                        "Command1"};
    HWND c = control(names[static_cast<int>(which)]);
    InvalidateRect(c, nullptr, TRUE);
    UpdateWindow(c);
}

Answer MainWindow::messageBox(const std::string& text, const std::string& title, Buttons buttons,
                              Icon icon) {
    const std::string shown = title.empty() ? std::string(kProgramTitle) : title;
    const int result =
        MessageBoxW(hwnd_, Wide(text).c_str(), Wide(shown).c_str(), BoxFlags(buttons, icon));
    return FromBox(result, buttons);
}

std::optional<std::string> MainWindow::fileDialog(const FileDialogRequest& request, bool save) {
    std::wstring name(32768, L'\0');
    const std::wstring proposed = Wide(request.proposedName);
    proposed.copy(name.data(), std::min(proposed.size(), name.size() - 1));
    const std::wstring filter = DialogFilter(request.filter);
    const std::wstring title = Wide(request.title);
    const std::wstring extension = Wide(request.defaultExtension);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd_;
    ofn.lpstrFilter = request.filter.empty() ? nullptr : filter.c_str();
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    ofn.lpstrTitle = title.c_str();
    ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    // The working folder is where the cameras' images go: a dialog must not move it.
    ofn.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!chosen) {
        return std::nullopt;
    }
    return Utf8(name.c_str());
}

std::optional<std::string> MainWindow::saveFileDialog(const FileDialogRequest& request) {
    return fileDialog(request, true);
}

std::optional<std::string> MainWindow::openFileDialog(const FileDialogRequest& request) {
    return fileDialog(request, false);
}

void MainWindow::pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Left for the program's own loop to find.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        // Tab and the arrow keys walk the controls, as in a dialog.
        if (hwnd_ != nullptr && IsDialogMessageW(hwnd_, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

int MainWindow::run() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (hwnd_ != nullptr && IsDialogMessageW(hwnd_, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void MainWindow::yield() {
    pump();
}

void MainWindow::setForeground() {
    if (IsIconic(hwnd_)) {
        ShowWindow(hwnd_, SW_RESTORE);
    }
    SetForegroundWindow(hwnd_);
}

void MainWindow::raiseToTop() {
    RaiseToTop(reinterpret_cast<WindowHandle>(hwnd_));
}

void MainWindow::keepOnTop() {
    SetTopmost(reinterpret_cast<WindowHandle>(hwnd_), true);
}

}  // namespace kov::win::gui

#include "win/gui/ui_driver.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "win/gui/control_ids.h"
#include "win/gui/wide.h"

namespace kov::win::gui::test {

namespace {

constexpr UINT kSendMs = 5000;  // a window that does not answer a message in this time is stuck

std::wstring Quoted(const std::string& arg) {
    std::wstring out = L"\"";
    for (const wchar_t c : Wide(arg)) {
        if (c == L'"') {
            out += L'\\';
        }
        out += c;
    }
    return out + L"\"";
}

struct Found {
    DWORD pid;
    const wchar_t* cls;
    std::wstring title;
    int button;
    HWND hwnd;
};

BOOL CALLBACK FindTop(HWND hwnd, LPARAM lp) {
    auto* f = reinterpret_cast<Found*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != f->pid || !IsWindowVisible(hwnd)) {
        return TRUE;
    }
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (lstrcmpW(cls, f->cls) != 0) {
        return TRUE;
    }
    if (f->button != 0) {
        wchar_t title[256] = {};
        GetWindowTextW(hwnd, title, 256);
        if (f->title != title || GetDlgItem(hwnd, f->button) == nullptr) {
            return TRUE;
        }
    }
    f->hwnd = hwnd;
    return FALSE;
}

struct ById {
    int id;
    HWND hwnd;
};

BOOL CALLBACK FindChild(HWND hwnd, LPARAM lp) {
    auto* f = reinterpret_cast<ById*>(lp);
    if (GetDlgCtrlID(hwnd) == f->id) {
        f->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

Program::Program(const std::wstring& exe, const std::vector<std::string>& args,
                 const std::string& folder, bool captureOutput) {
    std::wstring command = L"\"" + exe + L"\"";
    for (const std::string& a : args) {
        command += L" " + Quoted(a);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    HANDLE write = nullptr;
    if (captureOutput) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        CreatePipe(&out_, &write, &inherit, 0);
        SetHandleInformation(out_, HANDLE_FLAG_INHERIT, 0);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = write;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    const std::wstring dir = Wide(folder);
    CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, captureOutput, 0, nullptr,
                   dir.c_str(), &startup, &info_);
    if (write != nullptr) {
        CloseHandle(write);
    }
}

Program::~Program() {
    if (info_.hProcess != nullptr) {
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(info_.hProcess, 99);
            WaitForSingleObject(info_.hProcess, kWaitMs);
        }
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
    if (out_ != nullptr) {
        CloseHandle(out_);
    }
}

std::optional<DWORD> Program::waitExit(DWORD ms) {
    if (info_.hProcess == nullptr || WaitForSingleObject(info_.hProcess, ms) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

HWND Program::window(const wchar_t* cls, DWORD ms) const {
    Found f{info_.dwProcessId, cls, L"", 0, nullptr};
    WaitUntil(
        [&] {
            EnumWindows(&FindTop, reinterpret_cast<LPARAM>(&f));
            return f.hwnd != nullptr;
        },
        ms);
    return f.hwnd;
}

std::string Program::output() {
    std::string all;
    char buffer[4096];
    DWORD got = 0;
    while (out_ != nullptr && ReadFile(out_, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        all.append(buffer, got);
    }
    return all;
}

std::wstring Beside(const std::wstring& name) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return (std::filesystem::path(self).parent_path() / name).wstring();
}

HWND ControlById(HWND top, int id) {
    ById f{id, nullptr};
    if (id != 0) {
        EnumChildWindows(top, &FindChild, reinterpret_cast<LPARAM>(&f));
    }
    return f.hwnd;
}

HWND Control(HWND top, std::string_view name) {
    return ControlById(top, ControlId(name));
}

void Click(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}

void Menu(HWND window, std::string_view item) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(ControlId(item), 0), 0);
}

bool Type(HWND edit, const std::string& text) {
    const std::wstring wide = Wide(text);
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()),
                               SMTO_ABORTIFHUNG, kSendMs, &result) != 0;
}

std::string Text(HWND window) {
    DWORD_PTR length = 0;
    if (window == nullptr ||
        !SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendMs, &length)) {
        return {};
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, kSendMs, &got)) {
        return {};
    }
    text.resize(std::min<std::size_t>(got, length));
    return Utf8(text);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool WaitText(HWND window, const std::function<bool(const std::string&)>& condition, DWORD ms) {
    return WaitUntil([&] { return condition(Text(window)); }, ms);
}

HWND WaitDialog(DWORD pid, const std::string& title, int button, DWORD ms) {
    Found f{pid, L"#32770", Wide(title), button, nullptr};
    WaitUntil(
        [&] {
            EnumWindows(&FindTop, reinterpret_cast<LPARAM>(&f));
            return f.hwnd != nullptr;
        },
        ms);
    return f.hwnd;
}

std::string BoxText(HWND box) {
    // A message box's text is its one static control that is not its icon.
    std::string text;
    for (HWND c = GetWindow(box, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[32] = {};
        GetClassNameW(c, cls, 32);
        const std::string t = Text(c);
        if (lstrcmpiW(cls, L"Static") == 0 && t.size() > text.size()) {
            text = t;
        }
    }
    return text;
}

void Press(HWND dialog, int button) {
    PostMessageW(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
}

bool AnswerFileDialog(HWND dialog, const std::string& path) {
    // The name box: a combo box in the Explorer-style dialog, an edit in the old one.
    HWND name = GetDlgItem(dialog, 0x47c);
    if (name == nullptr) {
        name = GetDlgItem(dialog, 0x480);
    }
    if (name == nullptr || !Type(name, path)) {
        return false;
    }
    Press(dialog, IDOK);
    return true;
}

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    root_ = Utf8(base) + "kovgui-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(stamp);
    std::filesystem::create_directories(Wide(root_));
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(Wide(root_), ignored);
}

std::string TempFolder::path(const std::string& name) const {
    return name.empty() ? root_ : root_ + "\\" + name;
}

void TempFolder::write(const std::string& name, const std::string& bytes) const {
    std::ofstream(std::filesystem::path(Wide(path(name))), std::ios::binary) << bytes;
}

std::string TempFolder::read(const std::string& name) const {
    std::ifstream in(std::filesystem::path(Wide(path(name))), std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::vector<std::string> TempFolder::files() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(Wide(root_))) {
        names.push_back(Utf8(e.path().filename().wstring()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> LogTexts(const std::string& log, const std::string& from) {
    std::vector<std::string> texts;
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::size_t gap = line.find("  ");
        if (gap != std::string::npos) {
            texts.push_back(line.substr(gap + 2));
        }
    }
    texts.erase(texts.begin(), std::find(texts.begin(), texts.end(), from));
    return texts;
}

}  // namespace kov::win::gui::test

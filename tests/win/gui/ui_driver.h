#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Drives the native window from another process, as a person would: finds its windows and
// controls, clicks, types, reads, answers boxes and dialogs. Every wait has a bound and fails
// the test (returns null or false) when it runs out.
namespace kov::win::gui::test {

inline constexpr DWORD kWaitMs = 20000;

// A program started in a folder of its own with arguments; ended at the latest when the object
// goes, so no test leaves a window behind.
class Program {
  public:
    Program(const std::wstring& exe, const std::vector<std::string>& args,
            const std::string& folder, bool captureOutput = false);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    DWORD pid() const { return info_.dwProcessId; }
    // The exit status, or nothing while it still runs when the time is up.
    std::optional<DWORD> waitExit(DWORD ms = kWaitMs);
    // The process's visible top-level window of this class, once it has one.
    HWND window(const wchar_t* cls, DWORD ms = kWaitMs) const;
    // What it wrote to its standard output (with captureOutput), read to its end.
    std::string output();

  private:
    PROCESS_INFORMATION info_{};
    HANDLE out_ = nullptr;
};

// The program beside the test program, by its file name.
std::wstring Beside(const std::wstring& name);

// A control by its name in the windows' control table, or by its identifier, anywhere below
// `top`; null when there is none.
HWND Control(HWND top, std::string_view name);
HWND ControlById(HWND top, int id);

// Input goes through the window's own queue: the click returns at once, and the program handles
// it when it next looks at its messages (a click inside a wait is handled inside that wait).
void Click(HWND button);
void Menu(HWND window, std::string_view item);
// Types a text into an edit control (the text replaces what it held).
bool Type(HWND edit, const std::string& text);
// A window's text (a label's, an edit's, a button's caption); empty when it does not answer.
std::string Text(HWND window);

bool WaitUntil(const std::function<bool()>& condition, DWORD ms = kWaitMs);
// Waits until the window's text satisfies the condition.
bool WaitText(HWND window, const std::function<bool(const std::string&)>& condition,
              DWORD ms = kWaitMs);

// A dialog of the process (a message box, a file dialog) with this title, holding a button of
// this identifier (IDOK, IDYES, ...); null when none came in time.
HWND WaitDialog(DWORD pid, const std::string& title, int button, DWORD ms = kWaitMs);
// The text of a message box.
std::string BoxText(HWND box);
// Presses a dialog's button by its identifier.
void Press(HWND dialog, int button);
// Answers a file dialog with a full path and presses its OK button.
bool AnswerFileDialog(HWND dialog, const std::string& path);

// A fresh folder under the temporary folder, removed with everything in it at the end.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string path(const std::string& name = "") const;
    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;
    std::vector<std::string> files() const;

  private:
    std::string root_;
};

// The log's entries without their times, from the first entry with this text on.
std::vector<std::string> LogTexts(const std::string& log, const std::string& from);

}  // namespace kov::win::gui::test

#pragma once

#include <windows.h>

#include <string>

#include "model/operator_log.h"

namespace kov {
class Clock;
class Operator;
}  // namespace kov

namespace kov::win::gui {

// Posted to the owner when the operator closes the log window with its close box.
inline constexpr UINT kLogWindowClosed = WM_APP + 1;

// The log window "KOV Log": the log as it grows in a read-only text (Text1) that keeps its last
// line in view, and a menu with "Save..." (the shown text into a file, through the safe file
// writer) and "Clear!" (empties the window, not the log).
class LogWindow : public LogView {
  public:
    LogWindow(OperatorLog& log, const Clock& clock, Operator& ui, HWND owner, POINT at);
    ~LogWindow() override;
    LogWindow(const LogWindow&) = delete;
    LogWindow& operator=(const LogWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    void entryAdded(const std::string& entry, const std::string& wholeLog) override;

    void SaveLog();
    void ClearLog();

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void showWhole(const std::string& wholeLog);
    void append(const std::string& text);
    void flush();

    OperatorLog& log_;
    const Clock& clock_;
    Operator& ui_;
    HWND owner_;
    HWND hwnd_ = nullptr;
    HWND text_ = nullptr;
    HFONT font_ = nullptr;
    std::string shown_;    // what the window shows, the entries not yet put in included
    std::string pending_;  // entries waiting for the text box
};

}  // namespace kov::win::gui

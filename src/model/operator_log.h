#pragma once

#include <string>

namespace kov {

class Clock;

// Something that shows the log as it grows (the log window).
class LogView {
  public:
    virtual ~LogView() = default;
    // One entry was appended; wholeLog already holds it. A view that shows everything appends
    // just the entry; one whose text was cleared shows the whole log again.
    virtual void entryAdded(const std::string& entry, const std::string& wholeLog) = 0;
};

// The operator log: one time-stamped entry per event, only ever growing.
class OperatorLog {
  public:
    explicit OperatorLog(const Clock& clock) : clock_(clock) {}

    // Appends time of day, two blanks, the text and CRLF. Never fails.
    void AddLog(const std::string& sTxt);

    const std::string& text() const { return text_; }
    void attach(LogView* view) { view_ = view; }
    void detach(LogView* view) {
        if (view_ == view) {
            view_ = nullptr;
        }
    }

  private:
    const Clock& clock_;
    std::string text_;
    LogView* view_ = nullptr;
};

}  // namespace kov

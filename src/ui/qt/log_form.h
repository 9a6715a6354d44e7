#pragma once

#include <QMainWindow>
#include <string>

#include "model/operator_log.h"

class QPlainTextEdit;

namespace kov {
class Clock;
class Operator;
}  // namespace kov

namespace kov::qt {

// The log window "KOV Log": the operator log in a read-only text box Text1, with "Save..." and
// "Clear!" in its menu bar. It follows the log by appending each entry, so an entry costs the
// same whatever the log's length; only after "Clear!" does the next entry bring back the whole
// log.
class LogForm : public QMainWindow, public LogView {
    Q_OBJECT
  public:
    // Attaches itself to the log and shows the whole of it. Dialogs and boxes go through ui.
    LogForm(OperatorLog& log, const Clock& clock, Operator& ui, QWidget* parent = nullptr);
    ~LogForm() override;
    LogForm(const LogForm&) = delete;
    LogForm& operator=(const LogForm&) = delete;

    void entryAdded(const std::string& entry, const std::string& wholeLog) override;

    // What the window shows, with the log's own CRLF line breaks (the text box keeps only LF).
    const std::string& shownText() const { return shown_; }

    void SaveLog();
    void ClearLog();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void showWhole(const std::string& wholeLog);
    void caretToEnd();

    OperatorLog& log_;
    const Clock& clock_;
    Operator& ui_;
    QPlainTextEdit* text_ = nullptr;  // owned by the window
    std::string shown_;
};

}  // namespace kov::qt

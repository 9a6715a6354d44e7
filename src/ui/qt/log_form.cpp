#include "ui/qt/log_form.h"

#include <QAction>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

#include "commands/save_files.h"
#include "station/clock.h"
#include "station/operator.h"
#include "station/texts.h"

namespace kov::qt {

LogForm::LogForm(OperatorLog& log, const Clock& clock, Operator& ui, QWidget* parent)
    : QMainWindow(parent), log_(log), clock_(clock), ui_(ui) {
    setObjectName(QStringLiteral("LogForm"));
    setWindowTitle(QStringLiteral("KOV Log"));

    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("Text1"));
    text_->setReadOnly(true);
    // Read-only text needs no undo history, and a long night's log would fill it.
    text_->setUndoRedoEnabled(false);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setCentralWidget(text_);

    QAction* save = menuBar()->addAction(QStringLiteral("Save..."));
    save->setObjectName(QStringLiteral("SaveLog"));
    connect(save, &QAction::triggered, this, &LogForm::SaveLog);
    QAction* clear = menuBar()->addAction(QStringLiteral("Clear!"));
    clear->setObjectName(QStringLiteral("ClearLog"));
    connect(clear, &QAction::triggered, this, &LogForm::ClearLog);

    resize(560, 420);
    showWhole(log_.text());
    log_.attach(this);
}

LogForm::~LogForm() {
    log_.detach(this);
}

void LogForm::entryAdded(const std::string& entry, const std::string& wholeLog) {
    // The window is in step when what it shows plus this entry is the whole log; otherwise it
    // was cleared and shows the whole log again.
    if (shown_.size() + entry.size() != wholeLog.size()) {
        showWhole(wholeLog);
        return;
    }
    shown_ += entry;
    QTextCursor end(text_->document());
    end.movePosition(QTextCursor::End);
    end.insertText(QString::fromStdString(entry));
    caretToEnd();
}

void LogForm::showWhole(const std::string& wholeLog) {
    shown_ = wholeLog;
    text_->setPlainText(QString::fromStdString(wholeLog));
    caretToEnd();
}

void LogForm::caretToEnd() {
    QTextCursor end = text_->textCursor();
    end.movePosition(QTextCursor::End);
    text_->setTextCursor(end);
    text_->ensureCursorVisible();
}

void LogForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    caretToEnd();
}

void LogForm::ClearLog() {
    shown_.clear();
    text_->clear();
}

void LogForm::SaveLog() {
    SaveLogText(ui_, clock_, shown_);
}

}  // namespace kov::qt

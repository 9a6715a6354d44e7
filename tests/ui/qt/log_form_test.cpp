#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <csignal>
#include <fstream>
#include <sstream>

#include "support/scripted_operator.h"
#include "support/virtual_clock.h"
#include "ui/qt/log_form.h"

namespace kov::qt {
namespace {

std::string ReadFile(const std::string& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

class LogFormTest : public ::testing::Test {
  protected:
    LogFormTest() {
        log.AddLog("first");
        log.AddLog("second");
    }
    QPlainTextEdit* text() { return window->findChild<QPlainTextEdit*>("Text1"); }
    QString shown() { return text()->toPlainText(); }
    void trigger(const char* name) { window->findChild<QAction*>(name)->trigger(); }
    std::string saveAs(const std::string& name) {
        const std::string path = dir.path().toStdString() + "/" + name;
        ui.fileAnswers.push_back(path);
        trigger("SaveLog");
        return path;
    }

    kov::test::VirtualClock clock;
    OperatorLog log{clock};
    kov::test::ScriptedOperator ui;
    QTemporaryDir dir;
    std::unique_ptr<LogForm> window = std::make_unique<LogForm>(log, clock, ui);
};

TEST_F(LogFormTest, OpensWithCaptionMenuAndTheWholeLogCaretAtTheEnd) {
    EXPECT_EQ(window->windowTitle(), "KOV Log");
    QStringList menu;
    for (QAction* action : window->menuBar()->actions()) {
        menu << action->objectName() + "=" + action->text();
    }
    EXPECT_EQ(menu, (QStringList{"SaveLog=Save...", "ClearLog=Clear!"}));
    EXPECT_TRUE(text()->isReadOnly());
    EXPECT_EQ(shown(), "21:05:03  first\n21:05:03  second\n");
    EXPECT_TRUE(text()->textCursor().atEnd());
}

TEST_F(LogFormTest, AnEntryIsAppendedAtTheEndWithoutRebuildingTheText) {
    window->show();
    text()->moveCursor(QTextCursor::Start);    // the operator scrolled back
    std::vector<std::pair<int, int>> changes;  // position, characters removed
    QObject::connect(text()->document(), &QTextDocument::contentsChange,
                     [&changes](int at, int removed, int) { changes.emplace_back(at, removed); });
    const int end = text()->document()->characterCount() - 1;
    log.AddLog("third");
    EXPECT_EQ(changes, (std::vector<std::pair<int, int>>{{end, 0}}));
    EXPECT_TRUE(shown().endsWith("second\n21:05:03  third\n"));
    EXPECT_TRUE(text()->textCursor().atEnd());

    text()->moveCursor(QTextCursor::Start);
    window->resize(window->width() + 40, window->height() + 30);
    QCoreApplication::processEvents();
    EXPECT_TRUE(text()->textCursor().atEnd());
}

TEST_F(LogFormTest, ClearEmptiesTheWindowUntilTheNextEntryBringsBackTheWholeLog) {
    trigger("ClearLog");
    EXPECT_EQ(shown(), "");
    log.AddLog("third");
    EXPECT_EQ(shown(), "21:05:03  first\n21:05:03  second\n21:05:03  third\n");
    EXPECT_TRUE(text()->textCursor().atEnd());
}

TEST_F(LogFormTest, SaveProposesATimedNameForTextAndLogFiles) {
    clock.setTimeOfDay(9, 7, 5);
    ui.fileAnswers.push_back(std::nullopt);
    trigger("SaveLog");
    ASSERT_EQ(ui.fileDialogs.size(), 1u);
    EXPECT_EQ(ui.fileDialogs[0].title, "Save Log to a File");
    EXPECT_EQ(ui.fileDialogs[0].proposedName, "KOVLog_09-07-05.txt");
    EXPECT_EQ(ui.fileDialogs[0].defaultExtension, "txt");
    EXPECT_EQ(ui.fileDialogs[0].filter, "Log files (*.txt;*.log)");
    EXPECT_TRUE(QDir(dir.path()).isEmpty());  // cancelled: nothing written
}

TEST_F(LogFormTest, SaveWritesTheWindowsTextWithItsCrLfs) {
    EXPECT_EQ(ReadFile(saveAs("night.txt")), "21:05:03  first\r\n21:05:03  second\r\n\r\n");
    trigger("ClearLog");
    EXPECT_EQ(ReadFile(saveAs("cleared.txt")), "\r\n");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(LogFormTest, FailedWriteLeavesTheExistingFileAndTellsTheOperator) {
    const std::string path = dir.path().toStdString() + "/keep.txt";
    std::ofstream(path) << "precious";
    // A file size limit makes the write fail part way, even for a privileged user.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tiny = old;
    tiny.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    saveAs("keep.txt");
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(ReadFile(path), "precious");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.txt"});
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text.rfind("Cannot write log file: ", 0), 0u) << ui.boxes[0].text;
    EXPECT_EQ(ui.boxes[0].title, "KOV");
    EXPECT_EQ(ui.boxes[0].buttons, Buttons::Ok);
}

TEST_F(LogFormTest, AClosedWindowNoLongerFollowsTheLog) {
    window.reset();
    log.AddLog("nobody watches");  // must not reach the destroyed window
    EXPECT_NE(log.text().find("nobody watches"), std::string::npos);
}

}  // namespace
}  // namespace kov::qt

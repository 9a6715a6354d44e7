#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextDocument>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/scripted_operator.h"
#include "support/virtual_clock.h"
#include "ui/operator_log.h"
#include "ui/qt/log_form.h"

namespace kov::qt {
namespace {

using kov::test::ScriptedOperator;
using kov::test::VirtualClock;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class LogFormTest : public ::testing::Test {
  protected:
    LogFormTest() {
        log.AddLog("first");
        log.AddLog("second");
    }

    QPlainTextEdit* text() { return window->findChild<QPlainTextEdit*>("Text1"); }
    QString shown() { return text()->toPlainText(); }
    static QString Lf(const std::string& crlf) {
        return QString::fromStdString(crlf).replace("\r\n", "\n");
    }
    void trigger(const char* name) { window->findChild<QAction*>(name)->trigger(); }
    std::string saveTo(const std::string& name) {
        const std::string path = (dir.path() + "/").toStdString() + name;
        ui.fileAnswers.push_back(path);
        trigger("SaveLog");
        return path;
    }

    VirtualClock clock;
    OperatorLog log{clock};
    ScriptedOperator ui;
    QTemporaryDir dir;
    std::unique_ptr<LogForm> window = std::make_unique<LogForm>(log, clock, ui);
};

TEST_F(LogFormTest, OpensWithCaptionMenuAndTheWholeLog) {
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

TEST_F(LogFormTest, EachEntryIsAppendedWithoutRebuildingTheText) {
    window->show();
    // The operator put the caret at the top; a new entry still goes to the end.
    QTextCursor top = text()->textCursor();
    top.movePosition(QTextCursor::Start);
    text()->setTextCursor(top);

    struct Change {
        int position, removed, added;
    };
    std::vector<Change> changes;
    QObject::connect(text()->document(), &QTextDocument::contentsChange,
                     [&changes](int p, int r, int a) {
                         changes.push_back({p, r, a});
                     });
    const int before = text()->document()->characterCount() - 1;
    clock.advance(2000);
    log.AddLog("third");

    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].position, before);
    EXPECT_EQ(changes[0].removed, 0);
    EXPECT_EQ(shown(), Lf(log.text()));
    EXPECT_TRUE(shown().endsWith("21:05:05  third\n"));
    EXPECT_TRUE(text()->textCursor().atEnd());
    EXPECT_EQ(window->shownText(), log.text());
}

TEST_F(LogFormTest, ClearEmptiesTheWindowAndTheNextEntryBringsBackTheWholeLog) {
    trigger("ClearLog");
    EXPECT_EQ(shown(), "");
    EXPECT_EQ(log.text(), "21:05:03  first\r\n21:05:03  second\r\n");
    log.AddLog("third");
    EXPECT_EQ(shown(), "21:05:03  first\n21:05:03  second\n21:05:03  third\n");
    EXPECT_TRUE(text()->textCursor().atEnd());
    log.AddLog("fourth");
    EXPECT_EQ(shown(), Lf(log.text()));
}

TEST_F(LogFormTest, ResizingPutsTheCaretAtTheEnd) {
    window->show();
    QTextCursor top = text()->textCursor();
    top.movePosition(QTextCursor::Start);
    text()->setTextCursor(top);
    window->resize(window->width() + 40, window->height() + 30);
    QCoreApplication::processEvents();
    EXPECT_TRUE(text()->textCursor().atEnd());
}

TEST_F(LogFormTest, SaveProposesATimedNameAndListsTextAndLogFiles) {
    clock.setTimeOfDay(9, 7, 5);
    ui.fileAnswers.push_back(std::nullopt);
    trigger("SaveLog");
    ASSERT_EQ(ui.fileDialogs.size(), 1u);
    const FileDialogRequest& request = ui.fileDialogs[0];
    EXPECT_EQ(request.title, "Save Log to a File");
    EXPECT_EQ(request.proposedName, "KOVLog_09-07-05.txt");
    EXPECT_EQ(request.defaultExtension, "txt");
    EXPECT_NE(request.filter.find("*.txt"), std::string::npos);
    EXPECT_NE(request.filter.find("*.log"), std::string::npos);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(LogFormTest, SaveWritesTheShownTextWithItsCrLfAndOneMore) {
    const std::string path = saveTo("night.txt");
    EXPECT_EQ(ReadFile(path), "21:05:03  first\r\n21:05:03  second\r\n\r\n");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(LogFormTest, SaveReplacesAnExistingFile) {
    const std::string path = (dir.path() + "/old.log").toStdString();
    WriteFile(path, std::string(5000, 'x'));
    saveTo("old.log");
    EXPECT_EQ(ReadFile(path), log.text() + "\r\n");
}

TEST_F(LogFormTest, SaveAfterClearWritesOnlyALineBreak) {
    trigger("ClearLog");
    const std::string path = saveTo("cleared.txt");
    EXPECT_EQ(ReadFile(path), "\r\n");
}

TEST_F(LogFormTest, FailedWriteLeavesTheExistingFileAndTellsTheOperator) {
    const std::string path = (dir.path() + "/keep.txt").toStdString();
    WriteFile(path, "precious");
    // A file size limit makes the write fail part way, even for a privileged user.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = old;
    tiny.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    saveTo("keep.txt");
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(ReadFile(path), "precious");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text.rfind("Cannot write log file: ", 0), 0u) << ui.boxes[0].text;
    EXPECT_GT(ui.boxes[0].text.size(), std::string("Cannot write log file: ").size());
    EXPECT_EQ(ui.boxes[0].title, "KOV");
    EXPECT_EQ(ui.boxes[0].buttons, Buttons::Ok);
    // Nothing but the file itself is left in the folder.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.txt"});
    EXPECT_EQ(log.text(), "21:05:03  first\r\n21:05:03  second\r\n");
}

TEST_F(LogFormTest, FolderThatCannotBeWrittenTellsTheOperator) {
    saveTo("no such folder/log.txt");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text.rfind("Cannot write log file: ", 0), 0u);
}

TEST_F(LogFormTest, ClosedWindowStopsFollowingTheLog) {
    window.reset();
    log.AddLog("nobody watches");
    EXPECT_NE(log.text().find("nobody watches"), std::string::npos);
}

TEST(ProposedLogFileName, IsTwoDigitsEach) {
    EXPECT_EQ(ProposedLogFileName(21, 5, 33), "KOVLog_21-05-33.txt");
    EXPECT_EQ(ProposedLogFileName(0, 0, 0), "KOVLog_00-00-00.txt");
}

}  // namespace
}  // namespace kov::qt

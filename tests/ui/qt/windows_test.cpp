#include <gtest/gtest.h>

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "sim/observatory.h"
#include "sim/scenario.h"
#include "support/file_size_limit.h"
#include "support/memory_store.h"
#include "support/test_station.h"
#include "ui/qt/kov_form.h"
#include "ui/qt/log_form.h"
#include "ui/qt/modals.h"
#include "ui/qt/qt_settings_store.h"

namespace kov::qt {
namespace {

std::string ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<unreadable>";
}

class KOVFormTest : public ::testing::Test {
  protected:
    void open() {
        form = std::make_unique<KOVForm>(store, clock, objects, desktop);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    template <class W = QWidget>
    W* find(const QString& name) {
        return form->findChild<W*>(name);
    }
    void click(const char* name) { QTest::mouseClick(find<QAbstractButton>(name), Qt::LeftButton); }
    // The movement frames showing (Z, F, L), then which of bZigZag_0-2 and bFractal_0-2 are on.
    QString movement() {
        QString state;
        for (const QString name :
             {"FrameZigZag", "FrameFractal", "FrameList", "bZigZag_0", "bZigZag_1", "bZigZag_2",
              "bFractal_0", "bFractal_1", "bFractal_2"}) {
            auto* button = find<QAbstractButton>(name);
            state += button ? (button->isChecked() ? "1" : "0")
                            : (find(name)->isVisible() ? name.mid(5, 1) : "");
        }
        return state;
    }
    RunSettings& settings() { return form->station().settings; }

    kov::test::MemoryStore store;
    kov::test::VirtualClock clock;
    kov::test::NoPrograms objects;
    kov::test::NoDesktop desktop;
    std::unique_ptr<KOVForm> form;
};

// The stored pattern picks the frame and all three elements of its buttons; then "Map Points"
// and "Zig-Zag" switch from whichever frame shows, always into the one movement rectangle.
TEST_F(KOVFormTest, StoredPatternOpensItsFrameAndThePatternSwitchesFromEveryFrame) {
    const struct {
        const char* stored;
        QString opens;
        std::vector<const char*> clicks;  // each flips the pattern
    } rows[] = {
        {"ZigZag", "Z111000", {"bFractal_0", "bZigZag_2", "bFractal_0"}},
        {"PointList", "L000111", {"bZigZag_2", "bFractal_0", "bZigZag_2"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stored);
        form.reset();
        store = {};
        store.put("Movement", row.stored);
        open();
        EXPECT_EQ(movement(), row.opens);
        const QRect place = find("MovementArea")->rect();
        for (const char* button : row.clicks) {
            SCOPED_TRACE(button);
            const bool zigZag = QString(button).startsWith("bZigZag");
            click(button);
            click(button);  // the selected pattern again runs nothing
            EXPECT_EQ(settings().bZigZag(), zigZag);
            EXPECT_EQ(movement(), zigZag ? "Z111000" : "L000111");
            EXPECT_EQ(find(zigZag ? "FrameZigZag" : "FrameList")->geometry(), place);
        }
    }
}

// Start-up caption and log line, controls and settings bound both ways, the log window with
// View Log, and one save however often the window is closed.
TEST_F(KOVFormTest, StartsWithCaptionAndLogLineThenControlsAndSettingsFollowEachOtherUntilSaved) {
    open();
    const QString title = form->windowTitle();
    EXPECT_TRUE(title.startsWith("Kov Sky Mapper - ") && title.endsWith(" v1.1.5b"))
        << title.toStdString();
    EXPECT_EQ(form->station().log.text(), "21:05:03  " + title.toStdString() + " Started\r\n");
    EXPECT_EQ(find("Status")->font().pointSize() + find("GeminiResult")->font().pointSize(), 24);
    QTest::keyClicks(find<QLineEdit>("InitialMoveRA"), "5abc");
    find<QComboBox>("BinMode")->setCurrentIndex(3);
    click("bMaxim");
    click("bAutoDark");
    settings().PixelScale.set("1.23");
    settings().ScopeName.set("EQMOD HEQ5");
    EXPECT_EQ(find<QLineEdit>("PixelScale")->text(), "1.23");
    EXPECT_EQ(find<QLabel>("ScopeName")->text(), "EQMOD HEQ5");
    click("Check1");  // View Log opens the log window; unticking closes it
    EXPECT_TRUE(form->logForm() != nullptr && form->logForm()->isVisible());
    click("Check1");
    EXPECT_EQ(form->logForm(), nullptr);
    click("Check1");
    form->close();
    QCloseEvent again;  // a second close event must not save again
    QCoreApplication::sendEvent(form.get(), &again);
    EXPECT_EQ(form->logForm(), nullptr);
    form.reset();
    EXPECT_EQ(store.writtenKeys.size(), 20u);  // once: not again on the second close or at the end
    EXPECT_EQ((std::vector{store.at("Initial Move in RA"), store.at("Bin Mode"),
                           store.at("CCDSoft"), store.at("AutoDark")}),
              (std::vector<std::string>{"105abc", "4", "False", "0"}));
}

// EXIT and the close box: idle they end without a question; during a run both ask, No keeps the
// window and the run, Yes stops the run, saves the settings and ends the program.
TEST_F(KOVFormTest, ExitAndTheCloseBoxAskOnlyDuringARun) {
    const struct {
        bool closeBox;
        bool running;
        QMessageBox::StandardButton answer;
        bool ends;     // the window unloads
        bool endsNow;  // the process is told to end at once
    } rows[] = {
        {false, false, QMessageBox::NoButton, true, true},
        {false, true, QMessageBox::No, false, false},
        {false, true, QMessageBox::Yes, true, true},
        {true, false, QMessageBox::NoButton, true, false},
        {true, true, QMessageBox::No, false, false},
        {true, true, QMessageBox::Yes, true, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.closeBox << row.running << row.answer);
        form.reset();
        store = {};
        open();
        settings().MoveInRA.set("7.5");
        form->station().run.bRunning = row.running;
        QSignalSpy ended(form.get(), &KOVForm::endProgram);
        Modals answers(row.answer);
        if (row.closeBox) {
            form->close();
        } else {
            click("Command2");
        }
        EXPECT_EQ(answers.seen,
                  row.running
                      ? QStringList{Box("KOV - User Interrupt", "Do you really want to exit?",
                                        QMessageBox::Question, QMessageBox::Yes | QMessageBox::No)}
                      : QStringList{});
        EXPECT_EQ(form->isVisible(), !row.ends);
        EXPECT_EQ(ended.count(), row.endsNow ? 1 : 0);
        EXPECT_EQ(row.ends ? store.at("Move in RA") : "", row.ends ? "7.5" : "");
        EXPECT_EQ(form->station().run.bStop, row.running && row.ends);
        EXPECT_EQ(form->station().log.text().find("KOV Exiting") != std::string::npos, row.ends);
    }
}

// EXIT or the close box inside Connect's wait: the settings are saved, then the process ends
// where it stands. The child prints what it saved and ends; had Connect gone on, it would have
// called the driver again and printed "Connect went on".
TEST(KOVFormExit, ExitOrCloseInsideANestedWaitEndsTheProcessBeforeAnyOutsideCall) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto child = [](bool closeBox) {
        kov::test::MemoryStore store;
        kov::test::VirtualClock clock;
        sim::Observatory observatory(sim::DefaultScenario(), clock);
        KOVForm form(store, clock, observatory.factory(), observatory.desktop());
        std::size_t callsAtExit = 0;
        QObject::connect(&form, &KOVForm::endProgram, [&] {
            std::fprintf(stderr, "saved %zu keys, last call %s\n", store.writtenKeys.size(),
                         observatory.callLog().back().c_str());
            callsAtExit = observatory.callLog().size();
            std::fflush(stderr);
            std::_Exit(0);
        });
        // The first event the window processes is inside Connect's half-second wait.
        QTimer::singleShot(0, &form, [&form, closeBox] {
            closeBox
                ? void(form.close())
                : QTest::mouseClick(form.findChild<QAbstractButton*>("Command2"), Qt::LeftButton);
        });
        QTest::mouseClick(form.findChild<QAbstractButton*>("Command3"), Qt::LeftButton);
        std::fprintf(stderr, "Connect went on: %zu calls after the end\n",
                     observatory.callLog().size() - callsAtExit);
        std::exit(1);
    };
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "EXIT");
        EXPECT_EXIT(child(closeBox), testing::ExitedWithCode(0),
                    "saved 20 keys, last call AscomTelescope\\.[A-Za-z]+\n$");
    }
}

// Boxes without a title show the program's, with plain line breaks; keep-on-top leaves the
// window where it was.
TEST_F(KOVFormTest, BoxesAndKeepOnTop) {
    open();
    {
        Modals answers(QMessageBox::No);
        EXPECT_EQ(
            form->messageBox("1A8\r\n\r\nExit Script?", "", Buttons::YesNo, Icon::Information),
            Answer::No);
        EXPECT_EQ(answers.seen,
                  QStringList({Box("KOV", "1A8\n\nExit Script?", QMessageBox::Information,
                                   QMessageBox::Yes | QMessageBox::No)}));
    }
    form->setGeometry(120, 80, 700, 560);
    QCoreApplication::processEvents();
    const QRect before = form->geometry();
    form->keepOnTop();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint) && form->isVisible());
    EXPECT_EQ(form->geometry(), before);
}

// The log window shows the whole log, then appends each entry without rebuilding the text and
// keeps the caret at the end. Save proposes a timed name, adds the extension and writes what the
// window shows (after Clear only a CR LF); a failed write keeps the old file and says so.
TEST_F(KOVFormTest, TheLogWindowAppendsSavesAndClears) {
    clock.setTimeOfDay(9, 7, 5);
    open();
    click("Check1");
    OperatorLog& log = form->station().log;
    auto* text = form->logForm()->findChild<QPlainTextEdit*>("Text1");
    EXPECT_EQ(text->toPlainText(), QString::fromStdString(log.text()).remove('\r'));
    EXPECT_TRUE(text->isReadOnly() && text->textCursor().atEnd());
    text->moveCursor(QTextCursor::Start);      // the operator scrolled back
    std::vector<std::pair<int, int>> changes;  // position, characters removed
    QObject::connect(text->document(), &QTextDocument::contentsChange,
                     [&changes](int at, int removed, int) { changes.emplace_back(at, removed); });
    const int end = text->document()->characterCount() - 1;
    log.AddLog("third");
    EXPECT_EQ(changes, (std::vector<std::pair<int, int>>{{end, 0}}));
    EXPECT_TRUE(text->toPlainText().endsWith("Started\n09:07:05  third\n"));
    text->moveCursor(QTextCursor::Start);
    form->logForm()->resize(form->logForm()->width() + 40, form->logForm()->height() + 30);
    QCoreApplication::processEvents();
    EXPECT_TRUE(text->textCursor().atEnd());

    QTemporaryDir dir;
    std::ofstream((dir.path() + "/keep.txt").toStdString()) << "precious";
    const std::string whole = log.text();
    {
        Modals answers(QMessageBox::Ok, {dir.path() + "/night", dir.path() + "/cleared.txt"});
        form->logForm()->SaveLog();
        form->logForm()->findChild<QAction*>("ClearLog")->trigger();
        EXPECT_EQ(text->toPlainText(), "");
        form->logForm()->SaveLog();
        EXPECT_EQ(answers.seen.value(0),
                  "Save Log to a File|KOVLog_09-07-05.txt|Log files (*.txt *.log)");
    }
    log.AddLog("fourth");  // brings back the whole log
    EXPECT_EQ(text->toPlainText(), QString::fromStdString(log.text()).remove('\r'));
    click("Check1");
    log.AddLog("nobody watches");  // must not reach the closed window
    {
        // Without a real dialog: the file dialog itself would write its state to a full disk.
        kov::test::ScriptedOperator ui;
        ui.fileAnswers = {(dir.path() + "/keep.txt").toStdString()};
        LogForm window(log, clock, ui);
        kov::test::FileSizeLimit limit;
        window.SaveLog();
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].text.rfind("Cannot write log file: ", 0), 0u) << ui.boxes[0].text;
    }
    EXPECT_EQ(ReadFile(dir.path() + "/night.txt"), whole + "\r\n");
    EXPECT_EQ(ReadFile(dir.path() + "/cleared.txt"), "\r\n");
    EXPECT_EQ(ReadFile(dir.path() + "/keep.txt"), "precious");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              QStringList({"cleared.txt", "keep.txt", "night.txt"}));
}

// An outside object that throws what no procedure expects: the slot's guard shows and logs it,
// and the window goes on taking commands. Settings the disk refuses are reported when the window
// closes, and the stored file keeps the last good save; "KOV Exiting" would claim a save that
// did not happen.
TEST(KOVFormFailures, AnUnexpectedErrorAndARefusedSettingsSaveAreShownAndLogged) {
    struct BrokenDriver : kov::test::NoPrograms {
        std::shared_ptr<AscomTelescope> createAscomTelescope(const std::string&) override {
            throw std::runtime_error("driver table corrupt");
        }
    } objects;
    QtSettingsStore store("KovRefused");
    store.set("KOV", "Settings", "Move in RA", "7");
    store.commit();
    const QString file = store.location("KOV");
    const std::string before = ReadFile(file);
    kov::test::VirtualClock clock;
    kov::test::NoDesktop desktop;
    KOVForm form(store, clock, objects, desktop);
    form.station().settings.MoveInRA.set("9");
    Modals answers;
    QTest::mouseClick(form.findChild<QAbstractButton*>("Command3"), Qt::LeftButton);
    QTest::mouseClick(form.findChild<QAbstractButton*>("Command3"), Qt::LeftButton);
    {
        kov::test::FileSizeLimit limit;
        form.close();
    }
    const QString unexpected = Box("KOV - ERROR",
                                   "Unexpected error: driver table corrupt\nThe command was not "
                                   "completed. Check the outside programs and try again.",
                                   QMessageBox::Critical, QMessageBox::Ok);
    const QString refused = Box("KOV - ERROR",
                                "Cannot write the settings file " + file +
                                    ".\nThe settings were not saved; the next start uses the ones "
                                    "saved before. Check that this folder can be written to.",
                                QMessageBox::Critical, QMessageBox::Ok);
    EXPECT_EQ(answers.seen, QStringList({unexpected, unexpected, refused}));
    EXPECT_EQ(ReadFile(file), before);
    EXPECT_NE(before.find("Move%20in%20RA=7"), std::string::npos) << before;
    const std::string log = form.station().log.text();
    EXPECT_NE(log.find("Unexpected error: driver table corrupt\r\n"), std::string::npos);
    EXPECT_NE(log.find("Cannot write the settings file"), std::string::npos);
    EXPECT_EQ(log.find("KOV Exiting"), std::string::npos);
}

}  // namespace
}  // namespace kov::qt

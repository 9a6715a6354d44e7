#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "run/run_commands.h"
#include "sim/observatory.h"
#include "sim/scenario.h"
#include "support/memory_store.h"
#include "support/scripted_operator.h"
#include "support/test_station.h"
#include "ui/help_launcher.h"
#include "ui/qt/kov_form.h"
#include "ui/qt/log_form.h"
#include "ui/qt/qt_settings_store.h"

namespace kov::qt {
namespace {

// Runs `act` on the next modal dialog, which it must close; dropping the timer stops the watch.
std::unique_ptr<QTimer> OnNextModal(std::function<void(QWidget*)> act) {
    auto timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, timer.get(), [raw = timer.get(), act] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            raw->stop();
            act(modal);
        }
    });
    timer->start(5);
    return timer;
}

QString Box(const QString& title, const QString& text, QMessageBox::Icon icon,
            QMessageBox::StandardButtons buttons) {
    return QString("%1|%2|%3|%4").arg(title, text).arg(int(icon)).arg(buttons.toInt());
}

// Answers the next message box with `button`; `seen` describes the box as Box() does.
std::unique_ptr<QTimer> AnswerNextBox(QMessageBox::StandardButton button, QString& seen) {
    return OnNextModal([button, &seen](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        seen = Box(box->windowTitle(), box->text(), box->icon(), box->standardButtons());
        if (QAbstractButton* answer = box->button(button)) {
            answer->click();
        } else {
            box->done(0);  // a box nobody expected: closed, and told by `seen`
        }
    });
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
            EXPECT_EQ(settings().bZigZag(), zigZag);
            EXPECT_EQ(movement(), zigZag ? "Z111000" : "L000111");
            EXPECT_EQ(find(zigZag ? "FrameZigZag" : "FrameList")->geometry(), place);
            click(button);  // the selected pattern again runs nothing
            EXPECT_EQ(movement(), zigZag ? "Z111000" : "L000111");
        }
    }
}

TEST_F(KOVFormTest, EveryControlHasItsNameAndCaptionAndTheTwoResultLinesAreLarge) {
    open();
    const std::pair<const char*, const char*> captions[] = {
        {"FrameZigZag", "Movement Settings"},
        {"FrameFractal", "Movement Settings"},
        {"FrameList", "Movement Settings"},
        {"bZigZag_0", "Zig-Zag"},
        {"bZigZag_1", "Zig-Zag"},
        {"bZigZag_2", "Zig-Zag"},
        {"bFractal_0", "Map Points"},
        {"bFractal_1", "Map Points"},
        {"bFractal_2", "Map Points"},
        {"WestFirst", "West"},
        {"EastFirst", "East"},
        {"AddPoint", "Add Point"},
        {"Delete", "Delete"},
        {"LoadPts", "Load..."},
        {"SavePoints", "Save..."},
        {"Frame5", "Camera && Plate Solution Setup"},
        {"bCCDSoft", "CCDSoft"},
        {"bMaxim", "MaxIm DL"},
        {"bAutoDark", "Auto Dark"},
        {"Frame1", "Mapping Configuration"},
        {"Frame3", "Telescope"},
        {"OptionSky5", "TheSky 5 Level IV"},
        {"OptionSky6", "TheSky 6 Professional"},
        {"Command4", "Choose"},
        {"Command3", "Connect"},
        {"Check1", "View Log"},
        {"Command5", "Help"},
        {"Command2", "EXIT"},
    };
    for (const auto& [name, caption] : captions) {
        SCOPED_TRACE(name);
        QObject* control = form->findChild<QObject*>(name);
        ASSERT_NE(control, nullptr);
        const QString shown =
            control->property(qobject_cast<QGroupBox*>(control) ? "title" : "text").toString();
        EXPECT_EQ(shown, caption);
    }
    for (const char* name :
         {"InitialMoveRA", "MoveInRA", "MoveInDEC", "ReverseRA", "DECMaxRange", "tEast", "tWest",
          "tNorth", "tSouth", "NumberOfAligns", "PixelScale", "Exposure", "Delay"}) {
        EXPECT_NE(find<QLineEdit>(name), nullptr) << name;
    }
    for (const char* name : {"Picture1", "LV", "FileDisplay", "BinMode", "ImageNumber", "ScopeName",
                             "Status", "GeminiResult"}) {
        EXPECT_NE(find(name), nullptr) << name;
    }
    EXPECT_EQ(find("Status")->font().pointSize(), 12);
    EXPECT_EQ(find("GeminiResult")->font().pointSize(), 12);
    EXPECT_FALSE(find<QCheckBox>("Check1")->isChecked());
}

TEST_F(KOVFormTest, StartsWithCaptionAndLogLineThenControlsAndSettingsFollowEachOtherUntilSaved) {
    open();
    const QString title = form->windowTitle();
    EXPECT_TRUE(title.startsWith("Kov Sky Mapper - ") && title.endsWith(" v1.1.5b"))
        << title.toStdString();
    EXPECT_EQ(form->station().log.text(), "21:05:03  " + title.toStdString() + " Started\r\n");
    EXPECT_EQ(movement(), "Z111000");
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
        QString seen;
        auto watcher = AnswerNextBox(row.answer, seen);
        if (row.closeBox) {
            form->close();
        } else {
            click("Command2");
        }
        EXPECT_EQ(seen, row.running ? Box("KOV - User Interrupt", "Do you really want to exit?",
                                          QMessageBox::Question, QMessageBox::Yes | QMessageBox::No)
                                    : "");
        EXPECT_EQ(form->isVisible(), !row.ends);
        EXPECT_EQ(ended.count(), row.endsNow ? 1 : 0);
        EXPECT_EQ(store.writtenKeys.size(), row.ends ? 20u : 0u);
        EXPECT_EQ(row.ends ? store.at("Move in RA") : "", row.ends ? "7.5" : "");
        EXPECT_EQ(form->station().run.bStop, row.running && row.ends);
        EXPECT_EQ(form->station().log.text().find("KOV Exiting") != std::string::npos, row.ends);
    }
}

// EXIT clicked inside Connect's wait: the settings are saved, then the process ends where it
// stands. The child process prints what it saved and ends; had Connect gone on, it would have
// called the driver again and printed "Connect went on".
TEST(KOVFormExit, ExitInsideANestedWaitEndsTheProcessBeforeAnyOutsideCall) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto child = [] {
        kov::test::MemoryStore store;
        store.put("ASCOM Scope Name", "Stored name");
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
        QTimer::singleShot(0, &form, [&form] {
            QTest::mouseClick(form.findChild<QAbstractButton*>("Command2"), Qt::LeftButton);
        });
        QTest::mouseClick(form.findChild<QAbstractButton*>("Command3"), Qt::LeftButton);
        std::fprintf(stderr, "Connect went on: %zu calls after EXIT\n",
                     observatory.callLog().size() - callsAtExit);
        std::exit(1);
    };
    EXPECT_EXIT(child(), testing::ExitedWithCode(0),
                "saved 20 keys, last call AscomTelescope\\.[A-Za-z]+\n$");
}

// Tab walks the frames as they are read: movement, mapping, telescope, camera, then the
// command row. Of the pattern buttons Tab stops at the selected one, as Qt does for a group.
TEST_F(KOVFormTest, TabFollowsTheFrames) {
    open();
    QStringList order;
    for (QWidget* w = form->nextInFocusChain(); w != form.get(); w = w->nextInFocusChain()) {
        if (w->isVisible() && (w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty() &&
            !w->objectName().startsWith("qt_")) {
            order << w->objectName();
        }
    }
    EXPECT_EQ(order.join(" ").toStdString(),
              "bZigZag_0 InitialMoveRA MoveInRA MoveInDEC ReverseRA DECMaxRange "
              "WestFirst EastFirst NumberOfAligns OptionSky5 OptionSky6 Command4 Command3 "
              "bCCDSoft bMaxim bAutoDark PixelScale BinMode Exposure Delay Command1 TestIt DoSync "
              "AddlAlign Check1 ViewModel Command5 Command2");
}

// The bar beside the image counter shows "Image n of N" only while a run is in progress.
TEST(KOVFormOnTheSimulator, TheProgressBarFollowsARunAndGoesWhenItEnds) {
    kov::test::MemoryStore store;
    kov::test::VirtualClock clock;
    sim::Observatory observatory(sim::DefaultScenario(), clock);
    store.put("Number of Aligns", "3");
    store.put("Image Scale", std::to_string(observatory.scenario().pixelScale));
    KOVForm form(store, clock, observatory.factory(), observatory.desktop());
    form.show();
    auto* bar = form.findChild<QProgressBar*>("RunProgress");
    QStringList seen;
    const auto note = [&] {
        const QString state = bar->isVisible() ? bar->text() : "hidden";
        if (seen.isEmpty() || seen.back() != state) {
            seen << state;
        }
    };
    note();
    clock.onSleep = [&](std::uint32_t) { note(); };
    Command1Click(form.station());
    note();
    EXPECT_EQ(seen, QStringList({"hidden", "Image 0 of 3", "Image 1 of 3", "Image 2 of 3",
                                 "Image 3 of 3", "hidden"}));
    EXPECT_EQ(form.station().record().ending, RunEnding::Completed);
    form.station().run.bRunning = false;
}

// "Help" hands the manual beside the program to the browser; a browser that fails shows
// nothing and leaves only a log line.
TEST_F(KOVFormTest, HelpOpensTheManualBesideTheProgramAndAFailureShowsNothing) {
    struct Recording : Browser {
        bool starts = true;
        QStringList files;
        bool openAddress(const std::string&) override { return false; }
        bool openFile(const std::string& path) override {
            files << QString::fromStdString(path);
            return starts;
        }
    } browser;
    open();
    form->setBrowser(browser);
    const QString manual = QCoreApplication::applicationDirPath() + "/docs/help.html";
    ASSERT_TRUE(QFile::exists(manual));
    for (const bool starts : {true, false}) {
        SCOPED_TRACE(starts);
        browser.starts = starts;
        form->setLabel(Label::Status, "Ready");
        QString seen;
        auto watcher = AnswerNextBox(QMessageBox::Ok, seen);
        click("Command5");
        QTest::qWait(20);
        EXPECT_EQ(seen, "");
        EXPECT_EQ(browser.files.back(), manual);
        EXPECT_EQ(find<QLabel>("Status")->text(), "Ready");
        EXPECT_EQ(
            form->station().log.text().find("Help page could not be opened") != std::string::npos,
            !starts);
    }
}

TEST_F(KOVFormTest, OperatorBoxesAndKeepOnTop) {
    open();
    Operator& ui = *form;
    QString seen;
    auto watcher = AnswerNextBox(QMessageBox::No, seen);
    EXPECT_EQ(ui.messageBox("1A8\r\n\r\nExit Script?", "", Buttons::YesNo, Icon::Information),
              Answer::No);
    EXPECT_EQ(seen, Box("KOV", "1A8\n\nExit Script?", QMessageBox::Information,
                        QMessageBox::Yes | QMessageBox::No));

    form->setGeometry(120, 80, 700, 560);
    QCoreApplication::processEvents();
    const QRect before = form->geometry();
    ui.keepOnTop();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint) && form->isVisible());
    EXPECT_EQ(form->geometry(), before);
}

TEST_F(KOVFormTest, SavingTheLogProposesATimedTextFileAndShowsTextAndLogFiles) {
    clock.setTimeOfDay(9, 7, 5);
    open();
    click("Check1");
    QTemporaryDir dir;
    QStringList seen;
    auto watcher = OnNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        seen << dialog->windowTitle() << QFileInfo(dialog->selectedFiles().value(0)).fileName()
             << dialog->nameFilters();
        dialog->selectFile(dir.path() + "/night");
        static_cast<QDialog*>(dialog)->accept();
    });
    form->logForm()->SaveLog();
    EXPECT_EQ(seen, QStringList(
                        {"Save Log to a File", "KOVLog_09-07-05.txt", "Log files (*.txt *.log)"}));
    EXPECT_TRUE(QFile::exists(dir.path() + "/night.txt"));  // with the default extension
}

TEST(KOVFormOnTheSimulator, ConnectShowsTheDriverNameAndTheModelTerms) {
    kov::test::MemoryStore store;
    store.put("ASCOM Scope Name", "Stored name");
    kov::test::VirtualClock clock;
    sim::Observatory observatory(sim::DefaultScenario(), clock);
    observatory.replyToCommand("<201:", "-90");
    observatory.replyToCommand("<202:", "15");
    KOVForm form(store, clock, observatory.factory(), observatory.desktop());
    auto* scopeName = form.findChild<QLabel*>("ScopeName");
    EXPECT_EQ(scopeName->text(), "Stored name");

    QTest::mouseClick(form.findChild<QAbstractButton*>("Command3"), Qt::LeftButton);
    EXPECT_EQ(scopeName->text().toStdString(), observatory.scenario().driverName);
    EXPECT_EQ(form.findChild<QLabel*>("GeminiResult")->text(), "Az Err: -1'30\" El Err: 0'15\"");
    form.close();
    EXPECT_EQ(store.at("ASCOM Scope Name"), observatory.scenario().driverName);
}

std::string ReadFile(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<unreadable>";
}

class LogFormTest : public ::testing::Test {
  protected:
    LogFormTest() {
        log.AddLog("first");
        log.AddLog("second");
    }
    QPlainTextEdit* text() { return window->findChild<QPlainTextEdit*>("Text1"); }
    QString shown() { return text()->toPlainText(); }
    QAction* action(const char* name) { return window->findChild<QAction*>(name); }
    std::string saveAs(const std::string& name) {
        const std::string path = dir.path().toStdString() + "/" + name;
        ui.fileAnswers.push_back(path);
        action("SaveLog")->trigger();
        return path;
    }

    kov::test::VirtualClock clock;
    OperatorLog log{clock};
    kov::test::ScriptedOperator ui;
    QTemporaryDir dir;
    std::unique_ptr<LogForm> window = std::make_unique<LogForm>(log, clock, ui);
};

TEST_F(LogFormTest, ShowsTheWholeLogThenAppendsEachEntryWithoutRebuildingTheText) {
    EXPECT_EQ(
        QStringList({window->windowTitle(), action("SaveLog")->text(), action("ClearLog")->text()}),
        QStringList({"KOV Log", "Save...", "Clear!"}));
    EXPECT_EQ(shown(), "21:05:03  first\n21:05:03  second\n");
    EXPECT_TRUE(text()->isReadOnly() && text()->textCursor().atEnd());
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

    window.reset();
    log.AddLog("nobody watches");  // must not reach the destroyed window
}

TEST_F(LogFormTest, SaveWritesWhatTheWindowShowsAndAfterClearOnlyACrLf) {
    EXPECT_EQ(ReadFile(saveAs("night.txt")), "21:05:03  first\r\n21:05:03  second\r\n\r\n");
    action("ClearLog")->trigger();
    EXPECT_EQ(shown(), "");
    EXPECT_EQ(ReadFile(saveAs("cleared.txt")), "\r\n");
    log.AddLog("third");  // brings back the whole log
    EXPECT_EQ(shown(), "21:05:03  first\n21:05:03  second\n21:05:03  third\n");
    EXPECT_TRUE(text()->textCursor().atEnd());
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(LogFormTest, FailedWriteLeavesTheExistingFileAndTellsTheOperator) {
    const std::string path = dir.path().toStdString() + "/keep.txt";
    std::ofstream(path) << "precious";
    // A file size limit makes the write fail part way, even for a privileged user.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tiny{16, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    saveAs("keep.txt");
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(ReadFile(path), "precious");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.txt"});
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text.rfind("Cannot write log file: ", 0), 0u) << ui.boxes[0].text;
}

// Root writes into read-only folders; while this lives, the calling thread gives up that power
// and the folder refuses writes as it would refuse the operator.
class ReadOnlyFolder {
  public:
    explicit ReadOnlyFolder(const QString& path) : path_(path.toStdString()) {
        ::chmod(path_.c_str(), 0555);
        syscall(SYS_capget, &header_, saved_);
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        syscall(SYS_capset, &header_, reduced);
    }
    ~ReadOnlyFolder() {
        syscall(SYS_capset, &header_, saved_);
        ::chmod(path_.c_str(), 0755);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

  private:
    std::string path_;
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
};

// Settings the folder refuses are reported when the window closes, and the stored file keeps
// the settings of the last good save; "KOV Exiting" would claim a save that did not happen.
TEST(KOVFormSettings, ASaveTheFolderRefusesIsShownAndKeepsTheStoredFile) {
    QtSettingsStore store("KovReadOnly");
    store.set("KOV", "Settings", "Move in RA", "7");
    store.commit();
    const QString file = store.location("KOV");
    const std::string before = ReadFile(file.toStdString());
    kov::test::VirtualClock clock;
    kov::test::NoPrograms objects;
    kov::test::NoDesktop desktop;
    KOVForm form(store, clock, objects, desktop);
    form.station().settings.MoveInRA.set("9");
    QString seen;
    {
        ReadOnlyFolder locked(QFileInfo(file).absolutePath());
        auto watcher = AnswerNextBox(QMessageBox::Ok, seen);
        form.close();
    }
    const QString text = "Cannot write the settings file " + file +
                         ".\nThe settings were not saved; the next start uses the ones saved "
                         "before. Check that this folder can be written to.";
    EXPECT_EQ(seen, Box("KOV - ERROR", text, QMessageBox::Critical, QMessageBox::Ok));
    EXPECT_EQ(ReadFile(file.toStdString()), before);
    EXPECT_NE(before.find("Move%20in%20RA=7"), std::string::npos) << before;
    const std::string log = form.station().log.text();
    EXPECT_NE(log.find("Cannot write the settings file"), std::string::npos);
    EXPECT_EQ(log.find("KOV Exiting"), std::string::npos);
}

// An outside object that throws what no procedure expects: the slot's guard shows and logs it,
// and the window goes on taking commands.
TEST(KOVFormSlots, AnUnexpectedExceptionIsShownAndLoggedAndTheWindowGoesOn) {
    struct BrokenDriver : kov::test::NoPrograms {
        std::shared_ptr<AscomTelescope> createAscomTelescope(const std::string&) override {
            throw std::runtime_error("driver table corrupt");
        }
    } objects;
    kov::test::MemoryStore store;
    kov::test::VirtualClock clock;
    kov::test::NoDesktop desktop;
    KOVForm form(store, clock, objects, desktop);
    const QString box = Box("KOV - ERROR",
                            "Unexpected error: driver table corrupt\nThe command was not "
                            "completed. Check the outside programs and try again.",
                            QMessageBox::Critical, QMessageBox::Ok);
    for (int click = 0; click < 2; ++click) {
        QString seen;
        auto watcher = AnswerNextBox(QMessageBox::Ok, seen);
        QTest::mouseClick(form.findChild<QAbstractButton*>("Command3"), Qt::LeftButton);
        EXPECT_EQ(seen, box) << click;
    }
    const std::string log = form.station().log.text();
    EXPECT_NE(log.find("Unexpected error: driver table corrupt\r\n"), std::string::npos) << log;
}

}  // namespace
}  // namespace kov::qt

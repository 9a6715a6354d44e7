#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <fstream>

#include "sim/observatory.h"
#include "sim/scenario.h"
#include "support/memory_store.h"
#include "support/scripted_operator.h"
#include "support/test_station.h"
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
        box->button(button)->click();
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

TEST_F(KOVFormTest, StoredPointListOpensTheListFrameAndThePatternSwitchesAcrossTheFrames) {
    store.put("Movement", "PointList");
    open();
    EXPECT_EQ(movement(), "L000111");
    const QRect place = find("FrameList")->geometry();
    click("bZigZag_2");
    EXPECT_TRUE(settings().bZigZag());
    EXPECT_EQ(movement(), "Z111000");
    EXPECT_EQ(find("FrameZigZag")->geometry(), place);
    click("bFractal_0");
    EXPECT_FALSE(settings().bZigZag());
    EXPECT_EQ(movement(), "L000111");
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

TEST_F(KOVFormTest, ExitAsksOnlyDuringARunAndNoKeepsTheWindow) {
    using Case = std::pair<bool, QMessageBox::StandardButton>;  // running, answer
    for (const auto& [running, answer] : {Case{false, QMessageBox::No}, Case{true, QMessageBox::No},
                                          Case{true, QMessageBox::Yes}}) {
        SCOPED_TRACE(testing::Message() << running << " " << answer);
        const bool ends = !running || answer == QMessageBox::Yes;
        form.reset();
        store = {};
        open();
        form->station().run.bRunning = running;
        QSignalSpy ended(form.get(), &KOVForm::endProgram);
        QString seen;
        auto watcher = AnswerNextBox(answer, seen);
        click("Command2");
        EXPECT_EQ(seen, running ? Box("KOV - User Interrupt", "Do you really want to exit?",
                                      QMessageBox::Question, QMessageBox::Yes | QMessageBox::No)
                                : "");
        EXPECT_EQ(form->isVisible(), !ends);
        EXPECT_EQ(ended.count(), ends ? 1 : 0);
        EXPECT_EQ(store.writtenKeys.size(), ends ? 20u : 0u);
        EXPECT_EQ(form->station().run.bStop, running && ends);
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

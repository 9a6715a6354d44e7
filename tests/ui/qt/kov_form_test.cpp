#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <memory>

#include "modal.h"
#include "support/memory_store.h"
#include "support/test_station.h"
#include "ui/qt/kov_form.h"
#include "ui/qt/log_form.h"

namespace kov::qt {
namespace {

using kov::test::MemoryStore;
using kov::test::NoDesktop;
using kov::test::NoPrograms;
using kov::test::VirtualClock;
using test::AnswerNextBox;
using test::SeenBox;

class KOVFormTest : public ::testing::Test {
  protected:
    void open() {
        form = std::make_unique<KOVForm>(store, clock, objects, desktop);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    template <class W>
    W* find(const char* name) {
        W* widget = form->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString text(const char* name) { return find<QLineEdit>(name)->text(); }
    bool checked(const char* name) { return find<QAbstractButton>(name)->isChecked(); }
    bool visible(const char* name) { return find<QWidget>(name)->isVisible(); }
    void click(const char* name) { QTest::mouseClick(find<QAbstractButton>(name), Qt::LeftButton); }
    void type(const char* name, const QString& t) {
        QLineEdit* edit = find<QLineEdit>(name);
        edit->selectAll();
        QTest::keyClicks(edit, t);
    }
    int count(const std::string& needle) const {
        const std::string& log = form->station().log.text();
        int n = 0;
        for (auto at = log.find(needle); at != std::string::npos; at = log.find(needle, at + 1)) {
            ++n;
        }
        return n;
    }
    RunSettings& settings() { return form->station().settings; }

    MemoryStore store;
    VirtualClock clock;
    NoPrograms objects;
    NoDesktop desktop;
    std::unique_ptr<KOVForm> form;
};

// --- start-up -----------------------------------------------------------------------------

TEST_F(KOVFormTest, EmptyStoreOpensWithTheDefaults) {
    open();
    EXPECT_EQ(text("InitialMoveRA"), "10");
    EXPECT_EQ(text("MoveInRA"), "5");
    EXPECT_EQ(text("MoveInDEC"), "5");
    EXPECT_EQ(text("ReverseRA"), "70");
    EXPECT_EQ(text("DECMaxRange"), "30");
    for (const char* horizon : {"tEast", "tWest", "tNorth", "tSouth"}) {
        EXPECT_EQ(text(horizon), "30") << horizon;
    }
    EXPECT_EQ(text("NumberOfAligns"), "10");
    EXPECT_EQ(text("PixelScale"), "1");
    EXPECT_EQ(text("Exposure"), "10");
    EXPECT_EQ(text("Delay"), "2");
    EXPECT_EQ(find<QComboBox>("BinMode")->currentText(), "2x2");
    EXPECT_EQ(find<QCheckBox>("bAutoDark")->checkState(), Qt::Checked);
    EXPECT_TRUE(checked("bCCDSoft"));
    EXPECT_FALSE(checked("bMaxim"));
    EXPECT_TRUE(checked("OptionSky5"));
    EXPECT_TRUE(checked("WestFirst"));
    EXPECT_EQ(find<QLabel>("ScopeName")->text(), "Gemini");
    EXPECT_FALSE(checked("Check1"));
    EXPECT_TRUE(visible("FrameZigZag"));
    EXPECT_FALSE(visible("FrameList"));
    EXPECT_FALSE(visible("FrameFractal"));
    for (const char* b : {"bZigZag_0", "bZigZag_1", "bZigZag_2"}) {
        EXPECT_TRUE(checked(b)) << b;
    }
}

TEST_F(KOVFormTest, CaptionCarriesVersionAndStartsTheLog) {
    open();
    const QString caption = form->windowTitle();
    EXPECT_TRUE(caption.startsWith("Kov Sky Mapper - ")) << caption.toStdString();
    EXPECT_TRUE(caption.endsWith(" v1.1.5b")) << caption.toStdString();
    EXPECT_EQ(form->station().log.text(), "21:05:03  " + caption.toStdString() + " Started\r\n");
}

TEST_F(KOVFormTest, StoredSettingsShowInTheControls) {
    store.put("Movement", "PointList");
    store.put("Bin Mode", "4");
    store.put("CCDSoft", "False");
    store.put("TheSky Version", "6");
    store.put("AutoDark", "0");
    store.put("ASCOM Scope Name", "Gemini L4");
    store.put("Initial Move in RA", "12.5abc");
    store.put("Alt North", "25");
    open();
    EXPECT_TRUE(visible("FrameList"));
    EXPECT_FALSE(visible("FrameZigZag"));
    EXPECT_FALSE(visible("FrameFractal"));
    for (const char* b : {"bFractal_0", "bFractal_1", "bFractal_2"}) {
        EXPECT_TRUE(checked(b)) << b;
    }
    EXPECT_EQ(find<QComboBox>("BinMode")->currentText(), "4x4");
    EXPECT_TRUE(checked("bMaxim"));
    EXPECT_TRUE(checked("OptionSky6"));
    EXPECT_EQ(find<QCheckBox>("bAutoDark")->checkState(), Qt::Unchecked);
    EXPECT_EQ(find<QLabel>("ScopeName")->text(), "Gemini L4");
    EXPECT_EQ(text("InitialMoveRA"), "12.5abc");
    EXPECT_EQ(text("tNorth"), "25");
}

// --- the pattern switch -------------------------------------------------------------------

TEST_F(KOVFormTest, MapPointsThenZigZagSwitchesAcrossTheFrames) {
    open();
    const QRect place = find<QWidget>("FrameZigZag")->geometry();

    click("bFractal_0");
    EXPECT_FALSE(settings().bZigZag());
    EXPECT_TRUE(visible("FrameList"));
    EXPECT_FALSE(visible("FrameZigZag"));
    EXPECT_FALSE(visible("FrameFractal"));
    EXPECT_EQ(find<QWidget>("FrameList")->geometry(), place);
    for (int i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i);
        EXPECT_TRUE(checked(("bFractal_" + n).c_str())) << i;
        EXPECT_FALSE(checked(("bZigZag_" + n).c_str())) << i;
    }
    EXPECT_TRUE(find<QTreeWidget>("LV")->isVisible());

    click("bZigZag_2");
    EXPECT_TRUE(settings().bZigZag());
    EXPECT_TRUE(visible("FrameZigZag"));
    EXPECT_FALSE(visible("FrameList"));
    EXPECT_FALSE(visible("FrameFractal"));
    EXPECT_EQ(find<QWidget>("FrameZigZag")->geometry(), place);
    for (int i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i);
        EXPECT_TRUE(checked(("bZigZag_" + n).c_str())) << i;
        EXPECT_FALSE(checked(("bFractal_" + n).c_str())) << i;
    }
}

TEST_F(KOVFormTest, PatternSetByTheCoreRearrangesTheFrames) {
    open();
    settings().bZigZag.set(false);
    EXPECT_TRUE(visible("FrameList"));
    EXPECT_TRUE(checked("bFractal_1"));
    settings().bZigZag.set(true);
    EXPECT_TRUE(visible("FrameZigZag"));
    EXPECT_TRUE(checked("bZigZag_2"));
}

// --- both ways between controls and settings ----------------------------------------------

TEST_F(KOVFormTest, EditsReachTheSettingsAtOnce) {
    open();
    type("InitialMoveRA", "45abc");
    EXPECT_EQ(settings().InitialMoveRA(), "45abc");
    find<QLineEdit>("Exposure")->selectAll();
    QTest::keyClick(find<QLineEdit>("Exposure"), Qt::Key_Backspace);
    EXPECT_EQ(settings().Exposure(), "");
    find<QComboBox>("BinMode")->setCurrentIndex(4);
    EXPECT_EQ(settings().BinMode(), 4);
    click("bMaxim");
    EXPECT_FALSE(settings().bCCDSoft());
    click("EastFirst");
    EXPECT_FALSE(settings().WestFirst());
    click("OptionSky6");
    EXPECT_FALSE(settings().OptionSky5());
    click("bAutoDark");
    EXPECT_EQ(settings().bAutoDark(), CheckState::Unchecked);
}

TEST_F(KOVFormTest, RewritesByTheCoreShowInTheControls) {
    open();
    settings().PixelScale.set("1.23");
    settings().NumberOfAligns.set("7");
    settings().ScopeName.set("EQMOD HEQ5");
    settings().BinMode.set(0);
    settings().bCCDSoft.set(false);
    settings().OptionSky5.set(false);
    settings().WestFirst.set(false);
    EXPECT_EQ(text("PixelScale"), "1.23");
    EXPECT_EQ(text("NumberOfAligns"), "7");
    EXPECT_EQ(find<QLabel>("ScopeName")->text(), "EQMOD HEQ5");
    EXPECT_EQ(find<QComboBox>("BinMode")->currentText(), "1x1");
    EXPECT_TRUE(checked("bMaxim"));
    EXPECT_TRUE(checked("OptionSky6"));
    EXPECT_TRUE(checked("EastFirst"));
}

TEST_F(KOVFormTest, GrayedAutoDarkShowsOnceThenClicksBetweenTwoStates) {
    store.put("AutoDark", "2");
    open();
    auto* dark = find<QCheckBox>("bAutoDark");
    EXPECT_EQ(dark->checkState(), Qt::PartiallyChecked);
    click("bAutoDark");
    EXPECT_EQ(settings().bAutoDark(), CheckState::Checked);
    click("bAutoDark");
    EXPECT_EQ(settings().bAutoDark(), CheckState::Unchecked);
    click("bAutoDark");
    EXPECT_EQ(settings().bAutoDark(), CheckState::Checked);
}

// --- closing --------------------------------------------------------------------------------

TEST_F(KOVFormTest, CloseBoxSavesTheSettingsAsShownOnce) {
    open();
    type("InitialMoveRA", "12");
    find<QComboBox>("BinMode")->setCurrentIndex(3);
    click("bFractal_0");
    click("bMaxim");
    form->close();
    form->close();
    EXPECT_EQ(store.at("Initial Move in RA"), "12");
    EXPECT_EQ(store.at("Bin Mode"), "4");
    EXPECT_EQ(store.at("Movement"), "PointList");
    EXPECT_EQ(store.at("CCDSoft"), "False");
    EXPECT_EQ(store.at("TheSky Version"), "5");
    EXPECT_EQ(store.writtenKeys.size(), 20u);
    form.reset();
    EXPECT_EQ(store.writtenKeys.size(), 20u);
}

TEST_F(KOVFormTest, CloseBoxLogsExitingAndClosesTheLogWindow) {
    open();
    click("Check1");
    ASSERT_NE(form->logForm(), nullptr);
    form->close();
    EXPECT_EQ(form->logForm(), nullptr);
    EXPECT_EQ(count("KOV Exiting"), 1);
    const std::string& log = form->station().log.text();
    EXPECT_EQ(log.substr(log.size() - 13), "KOV Exiting\r\n");
}

TEST_F(KOVFormTest, ExitWhileIdleSavesAndEndsWithoutAQuestion) {
    open();
    QSignalSpy ended(form.get(), &KOVForm::endProgram);
    SeenBox seen;
    auto watcher = AnswerNextBox(QMessageBox::Yes, seen);
    type("Delay", "3");
    click("Command2");
    QTest::qWait(30);
    EXPECT_FALSE(seen.seen);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(store.at("Exposure Delay"), "3");
    EXPECT_EQ(count("KOV Exiting"), 1);
}

TEST_F(KOVFormTest, ExitDuringARunAnsweredNoLeavesEverythingGoing) {
    open();
    form->station().run.bRunning = true;
    QSignalSpy ended(form.get(), &KOVForm::endProgram);
    SeenBox seen;
    auto watcher = AnswerNextBox(QMessageBox::No, seen);
    click("Command2");
    ASSERT_TRUE(seen.seen);
    EXPECT_EQ(seen.text, "Do you really want to exit?");
    EXPECT_EQ(seen.title, "KOV - User Interrupt");
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->station().run.bStop);
    EXPECT_TRUE(form->station().run.bRunning);
    EXPECT_TRUE(store.writtenKeys.empty());
    EXPECT_EQ(ended.count(), 0);
}

TEST_F(KOVFormTest, ExitDuringARunAnsweredYesStopsSavesAndEnds) {
    open();
    form->station().run.bRunning = true;
    QSignalSpy ended(form.get(), &KOVForm::endProgram);
    SeenBox seen;
    auto watcher = AnswerNextBox(QMessageBox::Yes, seen);
    click("Command2");
    ASSERT_TRUE(seen.seen);
    EXPECT_TRUE(form->station().run.bStop);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(store.writtenKeys.size(), 20u);
    EXPECT_EQ(count("KOV Exiting"), 1);
    EXPECT_EQ(ended.count(), 1);
}

// --- the window as the procedures' Operator -------------------------------------------------

TEST_F(KOVFormTest, MessageBoxesShowTitleIconAndButtonsAndReturnTheAnswer) {
    open();
    Operator& ui = *form;
    SeenBox seen;
    auto watcher = AnswerNextBox(QMessageBox::No, seen);
    EXPECT_EQ(ui.messageBox("Error # 1A8 gone\r\n\r\nExit Script?", "", Buttons::YesNo,
                            Icon::Information),
              Answer::No);
    EXPECT_EQ(seen.title, "KOV");
    EXPECT_EQ(seen.text, "Error # 1A8 gone\n\nExit Script?");
    EXPECT_EQ(seen.icon, QMessageBox::Information);

    SeenBox second;
    watcher = AnswerNextBox(QMessageBox::Ok, second);
    EXPECT_EQ(
        ui.messageBox("Invalid number", "KOV - Invalid input", Buttons::Ok, Icon::Exclamation),
        Answer::Ok);
    EXPECT_EQ(second.title, "KOV - Invalid input");
    EXPECT_EQ(second.icon, QMessageBox::Warning);
    EXPECT_EQ(second.buttons, QMessageBox::Ok);

    SeenBox third;
    watcher = AnswerNextBox(QMessageBox::Cancel, third);
    EXPECT_EQ(ui.messageBox("Go on?", "KOV - ERROR", Buttons::YesNoCancel, Icon::Critical),
              Answer::Cancel);
    EXPECT_EQ(third.icon, QMessageBox::Critical);
}

TEST_F(KOVFormTest, LabelsAreTheNamedControls) {
    open();
    Operator& ui = *form;
    ui.setLabel(Label::Status, "Slewing...");
    ui.setLabel(Label::GeminiResult, "Az Err: 1 El Err: 2");
    ui.setLabel(Label::ImageNumber, "Image 3");
    ui.repaint(Label::Status);
    EXPECT_EQ(find<QLabel>("Status")->text(), "Slewing...");
    EXPECT_EQ(find<QLabel>("GeminiResult")->text(), "Az Err: 1 El Err: 2");
    EXPECT_EQ(find<QLabel>("ImageNumber")->text(), "Image 3");
    EXPECT_EQ(ui.label(Label::GeminiResult), "Az Err: 1 El Err: 2");
    EXPECT_EQ(find<QLabel>("Status")->font().pointSize(), 12);
    EXPECT_EQ(find<QLabel>("GeminiResult")->font().pointSize(), 12);
}

TEST_F(KOVFormTest, KeepOnTopNeitherMovesNorResizes) {
    open();
    form->setGeometry(120, 80, 700, 560);
    QCoreApplication::processEvents();
    const QRect before = form->geometry();
    form->keepOnTop();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->geometry(), before);
    form->keepOnTop();
    EXPECT_EQ(form->geometry(), before);
}

TEST_F(KOVFormTest, SaveDialogGetsTitleNameExtensionAndFilter) {
    open();
    QString title, suffix;
    QStringList filters;
    const QString chosen = QDir::tempPath() + "/kov_dialog_test";
    auto watcher = test::OnNextModal<QFileDialog>([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        suffix = dialog->defaultSuffix();
        filters = dialog->nameFilters();
        dialog->selectFile(chosen);
        static_cast<QDialog*>(dialog)->accept();
    });
    const auto path = form->saveFileDialog(
        {"Save Log to a File", "KOVLog_21-05-03.txt", "txt", "Log files (*.txt;*.log)"});
    EXPECT_EQ(title, "Save Log to a File");
    EXPECT_EQ(suffix, "txt");
    EXPECT_EQ(filters, QStringList{"Log files (*.txt *.log)"});
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(QString::fromStdString(*path), chosen + ".txt");
}

// --- View Log ---------------------------------------------------------------------------

TEST_F(KOVFormTest, ViewLogShowsTheWholeLogAndFollowsIt) {
    open();
    for (int i = 0; i < 10; ++i) {
        form->station().log.AddLog("entry " + std::to_string(i));
    }
    click("Check1");
    LogForm* logForm = form->logForm();
    ASSERT_NE(logForm, nullptr);
    EXPECT_TRUE(logForm->isVisible());
    auto* text = logForm->findChild<QPlainTextEdit*>("Text1");
    ASSERT_NE(text, nullptr);
    QString expected = QString::fromStdString(form->station().log.text());
    expected.replace("\r\n", "\n");
    EXPECT_EQ(text->toPlainText(), expected);
    EXPECT_TRUE(text->textCursor().atEnd());

    form->station().log.AddLog("eleventh");
    EXPECT_TRUE(text->toPlainText().endsWith("eleventh\n"));
    EXPECT_TRUE(text->textCursor().atEnd());

    click("Check1");
    EXPECT_EQ(form->logForm(), nullptr);
    form->station().log.AddLog("after the window went");
}

}  // namespace
}  // namespace kov::qt

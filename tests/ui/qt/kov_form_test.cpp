#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "modal.h"
#include "sim/observatory.h"
#include "sim/scenario.h"
#include "support/memory_store.h"
#include "support/test_station.h"
#include "ui/qt/kov_form.h"
#include "ui/qt/log_form.h"

namespace kov::qt {
namespace {

using test::AnswerNextBox;
using test::SeenBox;

class KOVFormTest : public ::testing::Test {
  protected:
    void open() {
        form = std::make_unique<KOVForm>(store, clock, objects, desktop);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    template <class W = QWidget>
    W* find(const QString& name) {
        W* widget = form->findChild<W*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    QString text(const char* name) { return find<QLineEdit>(name)->text(); }
    QString caption(const char* name) { return find<QLabel>(name)->text(); }
    QString bin() { return find<QComboBox>("BinMode")->currentText(); }
    bool on(const QString& name) { return find<QAbstractButton>(name)->isChecked(); }
    bool allOn(const char* array) {
        return on(QString(array) + "_0") && on(QString(array) + "_1") && on(QString(array) + "_2");
    }
    bool shows(const char* name) { return find(name)->isVisible(); }
    void click(const char* name) { QTest::mouseClick(find<QAbstractButton>(name), Qt::LeftButton); }
    void type(const char* name, const QString& t) {
        find<QLineEdit>(name)->selectAll();
        QTest::keyClicks(find<QLineEdit>(name), t);
    }
    // How many times the settings were saved: each save logs "KOV Exiting".
    int exits() const {
        return QString::fromStdString(form->station().log.text()).count("KOV Exiting");
    }
    RunSettings& settings() { return form->station().settings; }

    kov::test::MemoryStore store;
    kov::test::VirtualClock clock;
    kov::test::NoPrograms objects;
    kov::test::NoDesktop desktop;
    std::unique_ptr<KOVForm> form;
};

TEST_F(KOVFormTest, EmptyStoreOpensWithTheDefaultsAndTheStartLine) {
    open();
    EXPECT_EQ(
        QStringList({text("InitialMoveRA"), text("MoveInRA"), text("MoveInDEC"), text("ReverseRA"),
                     text("DECMaxRange"), text("tEast"), text("tWest"), text("tNorth"),
                     text("tSouth"), text("NumberOfAligns"), text("PixelScale"), text("Exposure"),
                     text("Delay")}),
        QStringList({"10", "5", "5", "70", "30", "30", "30", "30", "30", "10", "1", "10", "2"}));
    EXPECT_EQ(bin(), "2x2");
    EXPECT_EQ(find<QCheckBox>("bAutoDark")->checkState(), Qt::Checked);
    EXPECT_TRUE(on("bCCDSoft") && on("OptionSky5") && on("WestFirst") && !on("Check1"));
    EXPECT_EQ(caption("ScopeName"), "Gemini");
    EXPECT_TRUE(shows("FrameZigZag") && !shows("FrameList") && !shows("FrameFractal"));
    EXPECT_TRUE(allOn("bZigZag"));

    const QString title = form->windowTitle();
    EXPECT_TRUE(title.startsWith("Kov Sky Mapper - ") && title.endsWith(" v1.1.5b"))
        << title.toStdString();
    EXPECT_EQ(form->station().log.text(), "21:05:03  " + title.toStdString() + " Started\r\n");
}

TEST_F(KOVFormTest, StoredSettingsShowInTheControls) {
    store.put("Movement", "PointList");
    store.put("Bin Mode", "4");
    store.put("CCDSoft", "False");
    store.put("TheSky Version", "6");
    store.put("AutoDark", "0");
    store.put("ASCOM Scope Name", "Gemini L4");
    store.put("Initial Move in RA", "12.5abc");
    open();
    EXPECT_TRUE(shows("FrameList") && !shows("FrameZigZag") && !shows("FrameFractal"));
    EXPECT_TRUE(allOn("bFractal"));
    EXPECT_EQ(bin(), "4x4");
    EXPECT_TRUE(on("bMaxim") && on("OptionSky6"));
    EXPECT_EQ(caption("ScopeName"), "Gemini L4");
    EXPECT_EQ(text("InitialMoveRA"), "12.5abc");
    EXPECT_EQ(find<QCheckBox>("bAutoDark")->checkState(), Qt::Unchecked);
}

TEST_F(KOVFormTest, MapPointsThenZigZagSwitchesAcrossTheFrames) {
    open();
    const QRect place = find("FrameZigZag")->geometry();
    click("bFractal_0");
    EXPECT_FALSE(settings().bZigZag());
    EXPECT_TRUE(shows("FrameList") && shows("LV") && !shows("FrameZigZag") &&
                !shows("FrameFractal"));
    EXPECT_EQ(find("FrameList")->geometry(), place);
    EXPECT_TRUE(allOn("bFractal"));

    click("bZigZag_2");
    EXPECT_TRUE(settings().bZigZag());
    EXPECT_TRUE(shows("FrameZigZag") && !shows("FrameList") && !shows("FrameFractal"));
    EXPECT_TRUE(allOn("bZigZag"));
    EXPECT_FALSE(on("bFractal_0") || on("bFractal_1") || on("bFractal_2"));
}

TEST_F(KOVFormTest, ControlsAndSettingsFollowEachOther) {
    open();
    type("InitialMoveRA", "45abc");
    find<QComboBox>("BinMode")->setCurrentIndex(4);
    click("bMaxim");
    click("EastFirst");
    click("OptionSky6");
    click("bAutoDark");
    EXPECT_EQ(settings().InitialMoveRA(), "45abc");
    EXPECT_EQ(settings().BinMode(), 4);
    EXPECT_FALSE(settings().bCCDSoft() || settings().WestFirst() || settings().OptionSky5());
    EXPECT_EQ(settings().bAutoDark(), CheckState::Unchecked);

    settings().PixelScale.set("1.23");
    settings().ScopeName.set("EQMOD HEQ5");
    settings().BinMode.set(0);
    settings().bCCDSoft.set(true);
    settings().bZigZag.set(false);
    EXPECT_EQ(text("PixelScale"), "1.23");
    EXPECT_EQ(caption("ScopeName"), "EQMOD HEQ5");
    EXPECT_EQ(bin(), "1x1");
    EXPECT_TRUE(on("bCCDSoft"));
    EXPECT_TRUE(shows("FrameList") && allOn("bFractal"));
}

TEST_F(KOVFormTest, CloseBoxSavesTheSettingsAsShownOnceAndClosesTheLogWindow) {
    open();
    type("InitialMoveRA", "12");
    find<QComboBox>("BinMode")->setCurrentIndex(3);
    click("bFractal_0");
    click("Check1");
    ASSERT_NE(form->logForm(), nullptr);
    form->close();
    form->close();
    EXPECT_EQ(form->logForm(), nullptr);
    EXPECT_EQ(store.at("Initial Move in RA"), "12");
    EXPECT_EQ(store.at("Bin Mode"), "4");
    EXPECT_EQ(store.at("Movement"), "PointList");
    EXPECT_EQ(exits(), 1);
    form.reset();
    EXPECT_EQ(store.writtenKeys.size(), 20u);
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
    EXPECT_EQ(exits(), 1);
}

TEST_F(KOVFormTest, ExitDuringARunAsksAndNoLeavesEverythingGoing) {
    open();
    form->station().run.bRunning = true;
    QSignalSpy ended(form.get(), &KOVForm::endProgram);
    SeenBox seen;
    auto watcher = AnswerNextBox(QMessageBox::No, seen);
    click("Command2");
    EXPECT_EQ(seen.text, "Do you really want to exit?");
    EXPECT_EQ(seen.title, "KOV - User Interrupt");
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->station().run.bStop);
    EXPECT_TRUE(store.writtenKeys.empty());
    EXPECT_EQ(ended.count(), 0);

    watcher = AnswerNextBox(QMessageBox::Yes, seen);
    click("Command2");
    EXPECT_TRUE(form->station().run.bStop);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(exits(), 1);
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(KOVFormTest, OperatorBoxesLabelsAndWindowOrder) {
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

    ui.setLabel(Label::Status, "Slewing...");
    ui.setLabel(Label::GeminiResult, "Az Err: 1 El Err: 2");
    EXPECT_EQ(caption("Status"), "Slewing...");
    EXPECT_EQ(ui.label(Label::GeminiResult), "Az Err: 1 El Err: 2");
    EXPECT_EQ(find("GeminiResult")->font().pointSize(), 12);

    form->setGeometry(120, 80, 700, 560);
    QCoreApplication::processEvents();
    const QRect before = form->geometry();
    ui.keepOnTop();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->geometry(), before);
}

TEST_F(KOVFormTest, SaveDialogGetsTitleNameExtensionAndFilter) {
    open();
    QString title, suffix, proposed;
    QStringList filters;
    auto watcher = test::OnNextModal<QFileDialog>([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        suffix = dialog->defaultSuffix();
        filters = dialog->nameFilters();
        proposed = QFileInfo(dialog->selectedFiles().value(0)).fileName();
        dialog->selectFile(QDir::tempPath() + "/kov_dialog_test");
        static_cast<QDialog*>(dialog)->accept();
    });
    const auto path = form->saveFileDialog(
        {"Save Log to a File", "KOVLog_21-05-03.txt", "txt", "Log files (*.txt;*.log)"});
    EXPECT_EQ(title, "Save Log to a File");
    EXPECT_EQ(proposed, "KOVLog_21-05-03.txt");
    EXPECT_EQ(suffix, "txt");
    EXPECT_EQ(filters, QStringList{"Log files (*.txt *.log)"});
    EXPECT_EQ(path, QDir::tempPath().toStdString() + "/kov_dialog_test.txt");
}

TEST_F(KOVFormTest, ViewLogShowsTheWholeLogAndUntickingClosesIt) {
    open();
    for (int i = 0; i < 10; ++i) {
        form->station().log.AddLog("entry " + std::to_string(i));
    }
    click("Check1");
    ASSERT_NE(form->logForm(), nullptr);
    EXPECT_TRUE(form->logForm()->isVisible());
    auto* text = form->logForm()->findChild<QPlainTextEdit*>("Text1");
    EXPECT_EQ(text->toPlainText(),
              QString::fromStdString(form->station().log.text()).replace("\r\n", "\n"));
    EXPECT_TRUE(text->textCursor().atEnd());
    click("Check1");
    EXPECT_EQ(form->logForm(), nullptr);
}

}  // namespace
}  // namespace kov::qt

namespace kov::qt {
namespace {

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

}  // namespace
}  // namespace kov::qt

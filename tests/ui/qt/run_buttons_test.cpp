#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include "sim/observatory.h"
#include "station/texts.h"
#include "support/memory_store.h"
#include "support/virtual_clock.h"
#include "ui/qt/kov_form.h"

namespace kov::qt {
namespace {

// The main window over the simulated observatory, on virtual time.
struct SimWindow {
    SimWindow() {
        observatory.setWorkingDirectory(folder.path().toStdString());
        form.station().settings.NumberOfAligns.set("3");
        form.station().settings.PixelScale.set(GeneralNumber(observatory.scenario().pixelScale));
        form.show();
    }
    QAbstractButton* button(const char* name) {
        return form.findChild<QAbstractButton*>(QString::fromLatin1(name));
    }
    std::string status() { return form.findChild<QLabel*>("Status")->text().toStdString(); }
    int logged(const std::string& line) {
        const std::string& log = form.station().log.text();
        int count = 0;
        for (auto at = log.find("  " + line + "\r\n"); at != std::string::npos;
             at = log.find("  " + line + "\r\n", at + 1)) {
            ++count;
        }
        return count;
    }

    QTemporaryDir folder;
    kov::test::MemoryStore store;
    kov::test::VirtualClock clock;
    sim::Observatory observatory{sim::DefaultScenario(), clock};
    KOVForm form{store, clock, observatory.factory(), observatory.desktop()};
};

// The second click arrives through the run's own event processing, as the operator's would,
// and its question is answered in the nested event loop of the box.
TEST(RunButtons, StopClickedDuringTheRunStopsItAndTheCaptionFollows) {
    for (const char* stopper : {"Command1", "TestIt", "DoSync", "AddlAlign"}) {
        SCOPED_TRACE(stopper);
        SimWindow w;
        QString captionDuringRun;
        int sleeps = 0;
        w.clock.onSleep = [&](std::uint32_t) {
            if (++sleeps == 40) {
                captionDuringRun = w.button("Command1")->text();
                QMetaObject::invokeMethod(w.button(stopper), "click", Qt::QueuedConnection);
            }
        };
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                EXPECT_EQ(box->text(), "Do you really want to stop?");
                box->button(QMessageBox::Yes)->click();
            }
        });
        answer.start(5);
        w.button("Command1")->click();
        EXPECT_EQ(captionDuringRun, "STOP");
        EXPECT_EQ(w.button("Command1")->text(), "START");
        EXPECT_EQ(w.status(), "Stopped");
        EXPECT_EQ(w.logged("Model Run Aborted"), stopper == std::string("Command1") ? 2 : 1);
        EXPECT_EQ(w.form.station().record.get().ending, RunEnding::Stopped);
        EXPECT_FALSE(w.form.station().run.bRunning);
    }
}

TEST(RunButtons, OneSyncAndAddlAlignRunToTheEndInTheWindow) {
    for (const char* name : {"DoSync", "AddlAlign"}) {
        SCOPED_TRACE(name);
        SimWindow w;
        w.button(name)->click();
        EXPECT_EQ(w.status(), name == std::string("DoSync") ? "Sync Done!" : "Add'l Align Done!");
        EXPECT_EQ(w.button("Command1")->text(), "START");
        EXPECT_EQ(w.observatory.alignmentPoints(), name == std::string("DoSync") ? 0u : 1u);
    }
}

}  // namespace
}  // namespace kov::qt

#include <gtest/gtest.h>

#include <QLabel>
#include <QTemporaryDir>

#include "sim/observatory.h"
#include "station/texts.h"
#include "support/memory_store.h"
#include "support/virtual_clock.h"
#include "ui/qt/kov_form.h"
#include "ui/qt/modals.h"

namespace kov::qt {
namespace {

// Each command clicked in the window on the simulated observatory, on virtual time; a second
// click (the stopper) arrives through the run's own event processing, as the operator's would,
// and its question is answered in the nested event loop of the box.
TEST(RunButtons, EachCommandRunsFromItsButtonAndEveryRunButtonStopsAStart) {
    const struct {
        const char* clicked;
        const char* stopper;  // null: the command runs to its end
        const char* status;
        int aborted;         // "Model Run Aborted" entries
        std::size_t aligns;  // alignment points of a command run to its end
    } rows[] = {
        {"Command1", "Command1", "Stopped", 2, 0},
        {"Command1", "TestIt", "Stopped", 1, 0},
        {"Command1", "DoSync", "Stopped", 1, 0},
        {"Command1", "AddlAlign", "Stopped", 1, 0},
        {"DoSync", nullptr, "Sync Done!", 0, 0},
        {"AddlAlign", nullptr, "Add'l Align Done!", 0, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.clicked) + " " + (row.stopper ? row.stopper : ""));
        QTemporaryDir folder;
        kov::test::MemoryStore store;
        kov::test::VirtualClock clock;
        sim::Observatory observatory{sim::DefaultScenario(), clock};
        observatory.setWorkingDirectory(folder.path().toStdString());
        KOVForm form{store, clock, observatory.factory(), observatory.desktop()};
        form.station().settings.NumberOfAligns.set("3");
        form.station().settings.PixelScale.set(GeneralNumber(observatory.scenario().pixelScale));
        form.show();
        const auto button = [&form](const char* name) {
            return form.findChild<QAbstractButton*>(QString::fromLatin1(name));
        };
        QString captionDuringRun;
        int sleeps = 0;
        clock.onSleep = [&](std::uint32_t) {
            if (++sleeps == 40 && row.stopper) {
                captionDuringRun = button("Command1")->text();
                QMetaObject::invokeMethod(button(row.stopper), "click", Qt::QueuedConnection);
            }
        };
        Modals answers(QMessageBox::Yes);
        button(row.clicked)->click();
        EXPECT_EQ(captionDuringRun, row.stopper ? "STOP" : "");
        EXPECT_EQ(answers.seen.size(), row.stopper ? 1 : 0);
        EXPECT_EQ(answers.seen.join("").contains("|Do you really want to stop?|"),
                  row.stopper != nullptr);
        EXPECT_EQ(button("Command1")->text(), "START");
        EXPECT_EQ(form.findChild<QLabel*>("Status")->text(), row.status);
        const std::string& log = form.station().log.text();
        int aborted = 0;
        for (auto at = log.find("  Model Run Aborted\r\n"); at != std::string::npos;
             at = log.find("  Model Run Aborted\r\n", at + 1)) {
            ++aborted;
        }
        EXPECT_EQ(aborted, row.aborted);
        EXPECT_FALSE(form.station().run.bRunning);
        if (!row.stopper) {
            EXPECT_EQ(observatory.alignmentPoints(), row.aligns);
            EXPECT_TRUE(form.findChild<QLabel*>("GeminiResult")->text().startsWith("Az Err: "));
        }
    }
}

}  // namespace
}  // namespace kov::qt

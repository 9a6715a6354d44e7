// The same START run, once by the headless runner and once by a click in the window, on the same
// night and clock: the same log, entry for entry, the times aside. The bar beside the image
// counter shows "Image n of N" only while the window's run is in progress.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QProgressBar>
#include <algorithm>
#include <string>
#include <vector>

#include "headless/program_run.h"
#include "sim/observatory.h"
#include "support/memory_store.h"
#include "support/virtual_clock.h"
#include "ui/qt/kov_form.h"

namespace kov::qt {
namespace {

// The entries' texts from "Starting Model Run" on.
std::vector<std::string> RunEntries(const std::string& log) {
    std::vector<std::string> texts = test::LogTexts(log);
    texts.erase(texts.begin(), std::find(texts.begin(), texts.end(), "Starting Model Run"));
    return texts;
}

TEST(HeadlessWindowLog, AStartRunLogsWhatTheWindowLogs) {
    test::TempFolder folder;
    // 1796591103 is 2026-12-06 21:05:03 UTC, where the tests' virtual clock starts.
    const test::ProgramRun run =
        test::RunProgram(folder.path(), {"start", "--fast", "--clock-start", "1796591103", "--set",
                                         "NumberOfAligns=5", "--set", "PixelScale=1"});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    test::MemoryStore store;
    store.put("Number of Aligns", "5");
    store.put("Image Scale", "1");
    test::VirtualClock clock;
    sim::Observatory observatory(sim::DefaultScenario(), clock);
    observatory.setWorkingDirectory(folder.path());
    KOVForm form(store, clock, observatory.factory(), observatory.desktop());
    form.show();
    auto* bar = form.findChild<QProgressBar*>("RunProgress");
    QStringList bars;
    const auto note = [&] {
        const QString state = bar->isVisible() ? bar->text() : "hidden";
        if (bars.isEmpty() || bars.back() != state) {
            bars << state;
        }
    };
    note();
    clock.onSleep = [&](std::uint32_t) { note(); };
    form.findChild<QAbstractButton*>("Command1")->click();
    note();
    EXPECT_EQ(bars, QStringList({"hidden", "Image 0 of 5", "Image 1 of 5", "Image 2 of 5",
                                 "Image 3 of 5", "Image 4 of 5", "Image 5 of 5", "hidden"}));

    const std::vector<std::string> window = RunEntries(form.station().log.text());
    ASSERT_FALSE(window.empty());
    EXPECT_EQ(window.back(), "Model Run Completed");
    EXPECT_EQ(RunEntries(run.out), window);
}

}  // namespace
}  // namespace kov::qt

#include "commands/one_sync_addl_align.h"

#include <gtest/gtest.h>

#include "mount/driver_utils.h"
#include "run/run_trace.h"

namespace kov::test {
namespace {

std::string Joined(const std::vector<std::string>& entries) {
    std::string out;
    for (const std::string& e : entries) {
        out += e + "|";
    }
    return out;
}

const std::string kSolved =
    "Single Sync|Mount Position RA=# DEC=#|Az Err: #'#\" El Err: #'#\"|Plate Solution RA=# DEC=#|";

TEST(TargetSync, OneSyncAndAddlAlignImageSolveAndTellTheController) {
    // The image that fails to solve (0: none), the operation that raises, the log, the commands
    // sent and the boxes shown.
    const struct {
        const char* name;
        void (*click)(Station&);
        int failImage;
        const char* failOperation;
        std::string trace;
        const char* commands;
        const char* boxes;
        RunEnding ending;
    } rows[] = {
        {"One Sync", DoSyncClick, 0, nullptr,
         kSolved + "Doing Performing Sync|Az Err: #'#\" El Err: #'#\"|Sync Done!|Sync completed|",
         "<#: <#: Sr#:#:# Sd#:#:# CM <#: <#:", "", RunEnding::Completed},
        {"Add'l Align", AddlAlignClick, 0, nullptr,
         kSolved + "Doing Performing Add'l Align|Az Err: #'#\" El Err: #'#\"|Add'l Align Done!|",
         "<#: <#: Sr#:#:# Sd#:#:# Cm <#: <#:", "", RunEnding::Completed},
        {"plate solution failed", DoSyncClick, 1, nullptr,
         "Single Sync|Mount Position RA=# DEC=#|Az Err: #'#\" El Err: #'#\"|"
         "ERROR: Plate Solution failed|Sync completed|",
         "<#: <#:", "KOV - Plate Solution Error: Star pattern not recognized!|",
         RunEnding::Incomplete},
        {"an error ends it", AddlAlignClick, 0, "SkyTelescope.GetRaDec",
         "Single Sync|Error occurred: Retrieving RA and DEC\r\nTelescope not connected|", "",
         "KOV - ERROR: Error occurred: Retrieving RA and DEC\r\nTelescope not connected|",
         RunEnding::Incomplete},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        sim::Scenario scenario;
        if (row.failImage > 0) {
            scenario.failImages = {row.failImage};
        }
        RunStation s(scenario, 10);
        if (row.failOperation != nullptr) {
            s.sim.failOperation(row.failOperation,
                                AutomationError(1001, "Telescope not connected"));
        }
        row.click(s.st);
        EXPECT_EQ(Joined(RunTrace(s.st.log.text())), row.trace);
        EXPECT_EQ(Masked(s.commands()), row.commands);
        EXPECT_EQ(Joined(s.shown()), row.boxes);
        EXPECT_EQ(s.history(Label::Command1), (std::vector<std::string>{"STOP", "START"}));
        EXPECT_EQ(s.st.record.get().ending, row.ending);
        EXPECT_EQ(s.st.devices.planetarium, nullptr);  // released
        if (row.ending == RunEnding::Completed) {      // the solution, not the mount's position
            const auto solved = s.sim.imageLinkInformation();
            ASSERT_TRUE(solved);
            EXPECT_NE(s.commands().find("Sr" + FormatHoursHMS(solved->ra) + " Sd" +
                                        FormatDegreesDMS(solved->dec, ":", ":", "")),
                      std::string::npos);
        }
    }
}

// A stop during the exposure ends the sync before the solution is looked at: the objects are
// disconnected but not released, and nothing reaches the controller.
TEST(TargetSync, AStopDuringTheExposureEndsItUnsent) {
    for (auto click : {DoSyncClick, AddlAlignClick}) {
        const bool bSync = click == DoSyncClick;
        SCOPED_TRACE(bSync ? "One Sync" : "Add'l Align");
        RunStation s;
        bool bClicked = false;
        s.ui.onYield = [&](int) {
            // The exposure's wait shows the camera's status after " -- ".
            if (!bClicked && s.ui.label(Label::Status).find(" -- ") != std::string::npos) {
                bClicked = true;
                click(s.st);
            }
        };
        click(s.st);
        ASSERT_TRUE(bClicked);
        EXPECT_EQ(Joined(RunTrace(s.st.log.text())),
                  "Single Sync|Mount Position RA=# DEC=#|Az Err: #'#\" El Err: #'#\"|" +
                      std::string(bSync ? "Sync Aborted|Sync aborted|" : ""));
        EXPECT_EQ(s.sent(), "");
        EXPECT_EQ(s.ui.label(Label::Status), "Stopped");
        EXPECT_EQ(Count(s.ui.windowCalls, "raise"), 2);  // one is the confirmed stop's
        EXPECT_NE(s.st.devices.planetarium, nullptr);
        EXPECT_FALSE(s.sim.cameraConnected());
        EXPECT_EQ(s.st.record.get().ending, RunEnding::Stopped);
    }
}

}  // namespace
}  // namespace kov::test

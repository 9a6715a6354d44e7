#include "mount/target_sync.h"

#include <gtest/gtest.h>

#include "mount/driver_utils.h"
#include "run/run_trace.h"

namespace kov::test {
namespace {

TEST(TargetSync, OneSyncAndAddlAlignImageSolveAndTellTheController) {
    const AutomationError raised(1001, "Telescope not connected");
    struct Row {
        const char* name;
        void (*click)(Station&);
        std::vector<int> failImages;
        const char* failOperation;
        std::vector<std::string> trace;
        const char* commands;
        std::vector<std::string> boxes;
        RunEnding ending;
    };
    const Row rows[] = {
        {"One Sync",
         DoSyncClick,
         {},
         nullptr,
         {"Single Sync", "Mount Position RA=# DEC=#", "Az Err: #'#\" El Err: #'#\"",
          "Plate Solution RA=# DEC=#", "Doing Performing Sync", "Az Err: #'#\" El Err: #'#\"",
          "Sync Done!", "Sync completed"},
         "<#: <#: Sr#:#:# Sd#:#:# CM <#: <#:",
         {},
         RunEnding::Completed},
        {"Add'l Align",
         AddlAlignClick,
         {},
         nullptr,
         {"Single Sync", "Mount Position RA=# DEC=#", "Az Err: #'#\" El Err: #'#\"",
          "Plate Solution RA=# DEC=#", "Doing Performing Add'l Align",
          "Az Err: #'#\" El Err: #'#\"", "Add'l Align Done!"},
         "<#: <#: Sr#:#:# Sd#:#:# Cm <#: <#:",
         {},
         RunEnding::Completed},
        {"plate solution failed",
         DoSyncClick,
         {1},
         nullptr,
         {"Single Sync", "Mount Position RA=# DEC=#", "Az Err: #'#\" El Err: #'#\"",
          "ERROR: Plate Solution failed", "Sync completed"},
         "<#: <#:",
         {"KOV - Plate Solution Error: Star pattern not recognized!"},
         RunEnding::Incomplete},
        {"an error ends it",
         AddlAlignClick,
         {},
         "SkyTelescope.GetRaDec",
         {"Single Sync", "Error occurred: Retrieving RA and DEC\r\nTelescope not connected"},
         "",
         {"KOV - ERROR: Error occurred: Retrieving RA and DEC\r\nTelescope not connected"},
         RunEnding::Incomplete},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        sim::Scenario scenario;
        scenario.failImages = row.failImages;
        RunStation s(scenario, 10);
        if (row.failOperation != nullptr) {
            s.sim.failOperation(row.failOperation, raised);
        }
        row.click(s.st);
        EXPECT_EQ(RunTrace(s.st.log.text()), row.trace);
        EXPECT_EQ(Masked(s.commands()), row.commands);
        EXPECT_EQ(s.shown(), row.boxes);
        EXPECT_EQ(s.history(Label::Command1), (std::vector<std::string>{"STOP", "START"}));
        EXPECT_EQ(s.st.record.get().ending, row.ending);
        EXPECT_EQ(s.st.devices.planetarium, nullptr);  // released
    }
}

// The mount position is only logged; the controller gets the solved position.
TEST(TargetSync, TheSolutionIsWhatIsSent) {
    RunStation s;
    DoSyncClick(s.st);
    const auto solution = s.sim.imageLinkInformation();
    ASSERT_TRUE(solution);
    EXPECT_NE(s.commands().find("Sr" + FormatHoursHMS(solution->ra) + " Sd" +
                                FormatDegreesDMS(solution->dec, ":", ":", "") + " CM"),
              std::string::npos)
        << s.commands();
    const RunRecord& r = s.st.record.get();
    ASSERT_EQ(r.points.size(), 1u);
    EXPECT_EQ(r.points[0].solved->ra, solution->ra);
    EXPECT_EQ(r.points[0].sync, 1);
    EXPECT_EQ(s.history(Label::ImageNumber), (std::vector<std::string>{"Image 1/1"}));
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
        std::vector<std::string> trace = {"Single Sync", "Mount Position RA=# DEC=#",
                                          "Az Err: #'#\" El Err: #'#\""};
        if (bSync) {
            trace.insert(trace.end(), {"Sync Aborted", "Sync aborted"});
        }
        EXPECT_EQ(RunTrace(s.st.log.text()), trace);
        EXPECT_EQ(s.sent(), "");
        EXPECT_EQ(s.ui.label(Label::Status), "Stopped");
        EXPECT_NE(s.st.devices.planetarium, nullptr);
        EXPECT_FALSE(s.sim.cameraConnected());
        EXPECT_EQ(s.st.record.get().ending, RunEnding::Stopped);
    }
}

}  // namespace
}  // namespace kov::test

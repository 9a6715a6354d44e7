#include "run/target_loop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <functional>
#include <optional>
#include <regex>
#include <stdexcept>
#include <utility>

#include "commands/one_sync_addl_align.h"
#include "commands/start_stop_test.h"
#include "imaging/imaging_station.h"
#include "model/run_state.h"
#include "run/run_trace.h"

namespace kov::test {
namespace {

// The log entries (first lines) that match, joined by "|".
std::string Entries(const std::string& log, const std::regex& which) {
    std::string text;
    for (const std::string& entry : LogEntries(log)) {
        if (std::regex_search(entry, which)) {
            text += (text.empty() ? "" : "|") + entry.substr(0, entry.find("\r\n"));
        }
    }
    return text;
}

// The trace of a 10-point Zig-Zag run, START or TEST, from its start to its end.
std::vector<std::string> ZigZagTrace(bool bTest) {
    std::vector<std::string> trace = {bTest ? "Starting TEST run" : "Starting Model Run",
                                      "Start RA=# Dec= #", "Az Err: #'#\" El Err: #'#\""};
    for (int point = 1; point <= 10; ++point) {
        trace.insert(trace.end(), {"Image #/#", "Plate Solution: RA = # DEC = #",
                                   point == 1 ? "Mount Position: RA =  DEC = "
                                              : "Mount Position: RA = # DEC = #"});
        if (!bTest) {
            trace.insert(trace.end(), {point == 1 ? "Doing Sync" : "Doing Additional Align",
                                       "New Gemini Result - Az Err: #'#\" El Err: #'#\""});
        }
        trace.push_back("Slewing to new location RA=# Dec=#");
    }
    trace.insert(trace.end(), {"Slewing to starting position", "Modeling run completed!",
                               bTest ? "TEST Run completed" : "Model Run Completed"});
    return trace;
}

// A night of modeling: the Zig-Zag walk spread wide enough for the polar axis terms to show.
sim::Scenario ModelingNight() {
    sim::Scenario sc = sim::DefaultScenario();
    // The walk starts 1.5 h east of the meridian, where its hour angles spread wide enough for
    // the controller's fit to tell the polar axis from the index terms within ten points. A mount
    // allowed 30 degrees past the meridian stays on one pier side for it: a flip would turn the
    // image by half a turn, and CCDSoft's orientation check would then reject every later image.
    sc.startHourAngle = -1.5;
    sc.meridianLimit = 30.0;
    return sc;
}

// TEST, START, TEST on the built-in night and the settings every new operator starts with:
// START syncs, aligns nine points, learns the polar axis close to the truth and slews back; the
// TEST runs send nothing, and the second finds the mount pointing within 40" where it was
// several arc minutes off before.
TEST(WholeRun, ZigZagWithCcdSoftModelsThenTestsThePointing) {
    RunStation s;  // default settings: nothing set by the test
    TestItClick(s.st);
    const double before = s.st.record.get().testRmsDeg.value_or(0.0) * 3600.0;
    const std::size_t startAt = s.st.log.text().size();
    s.ui.labelHistory.clear();
    bool bYieldedInWalkSlew = false;  // the window stays live while the walk's slews go on
    s.ui.onYield = [&](int) {
        bYieldedInWalkSlew |=
            s.sim.slewing() && s.ui.label(Label::Status).rfind("Slewing to new", 0) == 0;
    };
    Command1Click(s.st);
    EXPECT_TRUE(bYieldedInWalkSlew);
    EXPECT_EQ(RunTrace(s.st.log.text().substr(startAt)), ZigZagTrace(false));
    EXPECT_EQ(s.history(Label::Command1), (std::vector<std::string>{"STOP", "START"}));
    EXPECT_EQ(s.ui.label(Label::Status), "Modeling run completed!");
    EXPECT_EQ(s.sent(), "CM Cm Cm Cm Cm Cm Cm Cm Cm Cm");
    EXPECT_TRUE(s.ui.boxes.empty());
    const RunRecord& r = s.st.record.get();
    EXPECT_EQ(r.ending, RunEnding::Completed);
    EXPECT_EQ(r.pointsSent(), 10);
    ASSERT_TRUE(r.endTerms.has_value());
    EXPECT_NEAR(r.endTerms->a * 60.0, s.sim.scenario().mountErrors.MA, 30.0);
    EXPECT_NEAR(r.endTerms->e * 60.0, s.sim.scenario().mountErrors.ME, 30.0);
    ASSERT_EQ(r.points.size(), 10u);
    EXPECT_FALSE(r.points[0].target.has_value());
    EXPECT_TRUE(r.points[9].target.has_value());
    // Back where the first point was solved: the walk's start.
    EXPECT_NEAR(s.sim.reportedPointing().ra, r.points[0].solved->ra, 1e-3);
    EXPECT_NEAR(s.sim.reportedPointing().dec, r.points[0].solved->dec, 1e-2);
    EXPECT_EQ(s.sim.alive("SkyPlanetarium") + s.sim.alive("SkyTelescope"), 0);

    const std::size_t testAt = s.st.log.text().size();
    s.ui.labelHistory.clear();
    TestItClick(s.st);
    EXPECT_EQ(RunTrace(s.st.log.text().substr(testAt)), ZigZagTrace(true));
    EXPECT_EQ(s.sent(), "CM Cm Cm Cm Cm Cm Cm Cm Cm Cm");  // nothing more
    const auto& shown = s.history(Label::GeminiResult);
    EXPECT_EQ(std::count_if(shown.begin(), shown.end(),
                            [](const std::string& t) { return t.rfind("RMS=", 0) == 0; }),
              9);
    EXPECT_NE(shown.back().find("  Peak="), std::string::npos);
    EXPECT_LT(s.st.record.get().testRmsDeg.value_or(1) * 3600.0, 40.0);
    EXPECT_GT(before, 180.0);
}

// Mapping points over the southern and western sky, as captured angle texts.
void AddPoints(Station& st, int count) {
    const int altAz[][2] = {{40, 100}, {55, 130}, {35, 160}, {60, 190}, {45, 220}, {30, 250}};
    for (int i = 0; i < count; ++i) {
        const auto text = [](int deg) {
            return std::to_string(deg) + kPointDegreeSeparator + "00' 00\"";
        };
        st.points.add({text(altAz[i][0]), text(altAz[i][1])});
    }
}

using Click = void (*)(Station&);
using Arrange = std::function<void(RunStation&)>;

// At the first yield with a Status that begins with `when`, the operator clicks a run button
// and answers the question it asks.
Arrange ClickAt(const char* when, Click click, Answer answer = Answer::Yes) {
    return [=](RunStation& s) {
        s.ui.onYield = [&s, when, click, answer, bDone = false](int) mutable {
            if (!bDone && s.ui.label(Label::Status).rfind(when, 0) == 0) {
                bDone = true;
                s.ui.answers.push_front(answer);
                click(s.st);
                EXPECT_TRUE(s.st.run.bRunning);  // the nested click never starts a run
            }
        };
    };
}
// At the first yield with that Status, the next slew to a list point is refused.
// The operator empties the list once the run has begun.
Arrange EmptyTheListAtFirstYield() {
    return [](RunStation& s) {
        s.ui.onYield = [&s](int n) {
            if (n == 1) {
                s.st.points.replace({});
            }
        };
    };
}

Arrange RefuseSlewAt(const char* when) {
    return [=](RunStation& s) {
        s.ui.onYield = [&s, when, bDone = false](int) mutable {
            if (!bDone && s.ui.label(Label::Status) == when) {
                bDone = true;
                s.sim.failOperation("SkyTelescope.SlewToAzAlt", AutomationError(1002, "Below"));
            }
        };
    };
}
Arrange Raise(const char* operation) {
    return [=](RunStation& s) { s.sim.failOperation(operation, AutomationError(0x1A8, "Gone")); };
}

// Three points asked. Zig-Zag rows (list 0) run with CCDSoft; Map Points rows with MaxIm DL,
// hinted with the mount's own position since the last solution is a list point away. A failed
// point is repeated and never sent; the fourth failure in a row asks; a failed list move
// answered Yes goes on to the next point; a stop request is seen at the run's next check.
TEST(RunLoop, FailuresAnswersAndStops) {
    struct Row {
        const char* name;
        Click run;
        int list;                     // mapping points, or Zig-Zag
        std::vector<int> failImages;  // light images that do not solve
        Arrange arrange;
        std::deque<Answer> answers;
        const char* sent;
        RunEnding ending;
        int boxes;
        std::string lines;
    };
    const std::string done =
        "Slewing to starting position|Modeling run completed!|Model Run Completed";
    const Click start = Command1Click;
    const Click test = TestItClick;
    const Answer yes = Answer::Yes;
    const Answer no = Answer::No;
    const int zigzag = -1;
    // clang-format off
    const Row rows[] = {
        // Plate solutions that fail, and outside calls that raise
        {"three failures pass", start, zigzag, {2, 3, 4}, {}, {}, "CM Cm Cm", RunEnding::Completed,
         0, "Image 1/3|Image 2/3|Image 2/3|Image 2/3|Image 2/3|Image 3/3|" + done},
        {"the fourth asks; Yes goes on", start, zigzag, {2, 3, 4, 5, 6}, {}, {yes, yes}, "CM Cm Cm",
         RunEnding::Completed, 2,
         "Image 1/3|Image 2/3|Image 2/3|Image 2/3|Image 2/3|Image 2/3|Image 2/3|Image 3/3|" + done},
        {"No gives up, still slews back", start, zigzag, {2, 3, 4, 5}, {}, {no}, "CM",
         RunEnding::Incomplete, 1,
         "Image 1/3|Image 2/3|Image 2/3|Image 2/3|Image 2/3|Aborting: too many errors!|" + done},
        {"a solved point resets the count; no sync after a failed first", start, zigzag,
         {1, 2, 3, 5, 6, 7}, {}, {}, "Cm Cm Cm", RunEnding::Completed, 0,
         "Image 1/3|Image 1/3|Image 1/3|Image 1/3|Image 2/3|Image 2/3|Image 2/3|Image 2/3|"
         "Image 3/3|" + done},
        {"exposure raises, Yes: a failed point", start, zigzag, {}, Raise("CcdCamera.TakeImage"),
         {yes}, "Cm Cm Cm", RunEnding::Completed, 1,
         "Image 1/3|Error occurred: Exposing image and plate solving|Continuing...|"
         "Image 1/3|Image 2/3|Image 3/3|" + done},
        {"exposure raises, No: incomplete, the mount stays", start, zigzag, {},
         Raise("CcdCamera.TakeImage"), {no}, "", RunEnding::Incomplete, 1,
         "Image 1/3|Error occurred: Exposing image and plate solving|"
         "Slewing to starting position|Modeling run incomplete!|Model Run Completed"},
        {"solution unreadable, Yes: a failed point", start, zigzag, {},
         Raise("SkyPlanetarium.GetObjectRaDec"), {yes}, "Cm Cm Cm", RunEnding::Completed, 1,
         "Image 1/3|Error occurred: Get Object RA and DEC from TheSky|Continuing...|"
         "Image 1/3|Image 2/3|Image 3/3|" + done},
        {"Yes resumes with the next action", start, zigzag, {}, Raise("SkyTelescope.Disconnect"),
         {yes}, "CM Cm Cm", RunEnding::Completed, 1,
         "Error occurred: Retrieving RA and DEC|Continuing...|Image 1/3|Image 2/3|"
         "Image 3/3|" + done},
        {"a failed slew names the slew, not the sync before it", start, zigzag, {},
         Raise("SkyTelescope.SlewToRaDec"), {yes}, "CM Cm Cm", RunEnding::Completed, 1,
         "Image 1/3|Error occurred: Slewing to new RA and DEC|Continuing...|Image 2/3|Image 3/3|" +
             done},
        {"the scale question is asked at the first point only", start, zigzag, {},
         [](RunStation& s) { s.st.settings.PixelScale.set("0.72"); }, {no, no, no, no, no}, "",
         RunEnding::Incomplete, 2, "Image 1/3|Image 1/3|Image 1/3|Image 1/3|Aborting: too many "
         "errors!|" + done},
        // List moves
        {"TEST moves twice a pass", test, 6, {}, {}, {}, "", RunEnding::Completed, 0,
         "Slewing to point 1|Image 1/3|Slewing to point 2|Image 2/3|Slewing to point 3|"
         "Slewing to point 4|Image 3/3|Slewing to point 5|Slewing to point 6|"
         "Slewing to starting position|Modeling run completed!|TEST Run completed"},
        {"initial move fails, Yes: the next point", start, 4, {},
         RefuseSlewAt("Selecting point 1 in the list"), {yes}, "CM Cm Cm", RunEnding::Completed, 1,
         "Slewing to point 1|Error occurred: Moving to initial fractal coordinates|"
         "Continuing...|Slewing to point 2|Image 1/3|Slewing to point 3|Image 2/3|"
         "Slewing to point 4|Image 3/3|Slewing to point 1|" + done},
        {"initial move fails, No", start, 4, {}, RefuseSlewAt("Selecting point 1 in the list"),
         {no}, "", RunEnding::Incomplete, 1,
         "Slewing to point 1|Error occurred: Moving to initial fractal coordinates|"
         "Slewing to starting position|Modeling run incomplete!|Model Run Completed"},
        {"a regular move fails, Yes: the failed point does not count", start, 4, {},
         RefuseSlewAt("Doing Sync"), {yes}, "CM Cm Cm", RunEnding::Completed, 1,
         "Slewing to point 1|Image 1/3|Slewing to point 2|"
         "Error occurred: Moving to the next list point|Continuing...|Slewing to point 3|Image 2/3|"
         "Slewing to point 4|Image 3/3|Slewing to point 1|" + done},
        {"an empty list ends the run however often the answer is Yes", start, 4, {},
         EmptyTheListAtFirstYield(), {}, "",
         RunEnding::Incomplete, 1,
         "Error occurred: Moving to initial fractal coordinates|Continuing...|"
         "Slewing to starting position|Modeling run incomplete!|Model Run Completed"},
        // Stop requests: the second click, START or TEST, and the answer to the question
        {"a stop in the initial move returns without a question", start, 4, {},
         ClickAt("Slewing to point 1", start), {}, "", RunEnding::Stopped, 1,
         "Slewing to point 1|Model Run Aborted|Model Run Aborted"},
        {"a stop in TEST's extra move returns without a question", test, 6, {},
         ClickAt("Slewing to point 3", start), {}, "", RunEnding::Stopped, 1,
         "Slewing to point 1|Image 1/3|Slewing to point 2|Image 2/3|Slewing to point 3|"
         "Model Run Aborted|TEST Run completed|TEST run stopped"},
        {"START stopped in the delay still slews back", start, zigzag, {},
         ClickAt("Delay...", start), {}, "CM", RunEnding::Stopped, 1,
         "Image 1/3|Model Run Aborted|Slewing to starting position|Modeling run completed!|"
         "Model Run Aborted"},
        {"START stopped at another check stays", start, zigzag, {},
         ClickAt("Doing Additional Align", start), {}, "CM", RunEnding::Stopped, 1,
         "Image 1/3|Image 2/3|Model Run Aborted|Model Run Aborted"},
        {"No changes nothing", start, zigzag, {}, ClickAt("Delay...", start, no), {}, "CM Cm Cm",
         RunEnding::Completed, 1,
         "Image 1/3|Image 2/3|Image 3/3|" + done},
        {"TEST stopped by TEST", test, zigzag, {}, ClickAt("Slewing to new location", test), {}, "",
         RunEnding::Stopped, 1,
         "Image 1/3|Test run aborted by user|TEST Run completed|TEST run stopped"},
        {"START stopped by TEST", start, zigzag, {}, ClickAt("Doing Sync", test), {}, "",
         RunEnding::Stopped, 1,
         "Image 1/3|Test run aborted by user|Model Run Aborted"},
        {"TEST stopped by START", test, zigzag, {}, ClickAt("Delay...", start), {}, "",
         RunEnding::Stopped, 1,
         "Image 1/3|Model Run Aborted|Slewing to starting position|Modeling run completed!|"
         "TEST Run completed|TEST run stopped"},
    };
    // clang-format on
    static const std::regex runLines(
        "^(Slewing to (point|starting)|Image [0-9]|Error occurred|Continuing|Aborting|Modeling "
        "run|Model Run|TEST|Test run)");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        sim::Scenario scenario = ModelingNight();
        scenario.failImages = row.failImages;
        RunStation s(scenario, 3);
        if (row.list != zigzag) {
            s.st.settings.bZigZag.set(false);
            s.st.settings.bCCDSoft.set(false);
            AddPoints(s.st, row.list);
            s.st.settings.NumberOfAligns.set("3");
        }
        if (row.arrange) {
            row.arrange(s);
        }
        s.ui.answers = row.answers;
        row.run(s.st);
        const std::string lines = Entries(s.st.log.text(), runLines);
        EXPECT_EQ(lines, row.lines);
        if (lines.find("Modeling run incomplete!") != std::string::npos) {  // the mount stays
            EXPECT_EQ(Count(s.sim.callLog(), "SkyTelescope.SlewToRaDec"), 0);
        }
        EXPECT_EQ(s.sent(), row.sent);
        EXPECT_EQ(s.st.record.get().ending, row.ending);
        EXPECT_EQ(s.ui.boxes.size(), static_cast<std::size_t>(row.boxes));
        EXPECT_EQ(s.history(Label::Command1), (std::vector<std::string>{"STOP", "START"}));
        EXPECT_FALSE(s.st.run.bRunning || s.st.run.bStop);
    }
}

// A run that cannot start ends quietly: the failing procedure has already told the operator. An
// error nobody expected leaves through the click's guard, but the window is free again.
TEST(RunCommands, RunsThatCannotStartOrEndUnexpectedly) {
    const Arrange unexpected = [](RunStation& s) {
        s.ui.onYield = [](int n) {
            if (n == 30) {
                throw std::runtime_error("out of memory");
            }
        };
    };
    const std::tuple<const char*, Arrange, bool> rows[] = {
        // and whether a run began
        {"CreateObjects fails", [](RunStation& s) { s.sim.setProgramMissing(progid::kTheSky5); },
         true},
        {"ConnectObjects fails", Raise("SkyTelescope.Connect"), true},
        {"ValidateInput fails", [](RunStation& s) { s.st.settings.InitialMoveRA.set("0"); }, false},
        {"unexpected error", unexpected, true},
    };
    for (const auto& [name, arrange, bBegun] : rows) {
        SCOPED_TRACE(name);
        RunStation s;
        arrange(s);
        if (std::string(name) == "unexpected error") {
            EXPECT_THROW(Command1Click(s.st), std::runtime_error);
        } else {
            Command1Click(s.st);
            EXPECT_EQ(RunTrace(s.st.log.text()),
                      bBegun ? Lines{"Starting Model Run"} : Lines{});  // nothing more
            ASSERT_EQ(s.ui.boxes.size(), 1u);  // the failing procedure's own report
            EXPECT_EQ(s.ui.boxes[0].title == "KOV - Invalid input", !bBegun);
            EXPECT_EQ(s.st.devices.planetarium, nullptr);
        }
        EXPECT_EQ(s.history(Label::Command1), (bBegun ? Lines{"STOP", "START"} : Lines{}));
        EXPECT_EQ(Count(s.ui.windowCalls, "keepOnTop"), bBegun ? 1 : 0);
        EXPECT_EQ(s.st.record.get().ending == RunEnding::Failed, bBegun);
        EXPECT_FALSE(s.st.run.bRunning || s.st.run.bStop);
    }
}

// 0 h is a real start: the run ends there. In Zig-Zag the first point fails, so the walk
// starts from the position read; Map Points goes back to it with one slew.
TEST(RunLoop, AStartAtZeroHoursIsSlewedBackTo) {
    for (const bool bZigZag : {true, false}) {
        SCOPED_TRACE(bZigZag ? "Zig-Zag" : "Map Points");
        sim::Scenario scenario = ModelingNight();
        scenario.failImages = {1};
        RunStation s(scenario, 2);
        s.sim.scriptReading("SkyTelescope.dRA", 0.0, 1);  // TheSky answers 0 h once
        s.st.settings.bZigZag.set(bZigZag);
        AddPoints(s.st, 4);
        s.st.settings.NumberOfAligns.set("2");  // the list's count would be asked for
        Command1Click(s.st);
        EXPECT_EQ(LogEntries(s.st.log.text()).back(), "Model Run Completed");
        // Zig-Zag: three moves and the slew back; Map Points moves by altitude and azimuth.
        EXPECT_EQ(Count(s.sim.callLog(), "SkyTelescope.SlewToRaDec"), bZigZag ? 4 : 1);
        const double ra = s.sim.reportedPointing().ra;
        EXPECT_LT(std::min(ra, 24.0 - ra), 0.01) << ra;
    }
}

// A target south of the equator is held as 350 and more degrees; its error against a solution
// a little off is small, not nearly a full turn.
TEST(RunLoop, TestErrorsGoTheShortWayRound) {
    sim::Scenario scenario = ModelingNight();
    scenario.startDec = -2.0;
    scenario.mountErrors.ID = -900.0;  // on this pier side the mount points north of every target
    RunStation s(scenario, 4);
    s.st.settings.DECMaxRange.set("20");
    TestItClick(s.st);
    const RunRecord& r = s.st.record.get();
    ASSERT_EQ(r.points.size(), 4u);
    EXPECT_GT(r.points[1].target->dec, 340.0);  // held in 0..360
    // At least one solution lies north of its target, so the long way round would be ~360.
    int longWay = 0;
    for (const PointRecord& p : r.points) {
        if (p.target && p.solved) {
            longWay += AdjustDeg(std::fabs(p.target->dec - p.solved->dec)) > 180.0;
        }
    }
    EXPECT_GT(longWay, 0);
    ASSERT_TRUE(r.testPeakDeg.has_value());
    EXPECT_LT(*r.testPeakDeg, 0.5);
    EXPECT_GT(*r.testPeakDeg, 0.0);
}

// A single sync after a run is one image of one, not the run's eleventh of ten.
TEST(RunCommands, ASingleSyncAfterARunCountsOneImageOfOne) {
    for (const auto click : {DoSyncClick, AddlAlignClick}) {
        RunStation s;
        s.st.run.nRemaining = 0;  // as a 10-point run leaves it
        click(s.st);
        SCOPED_TRACE(s.sent());
        EXPECT_EQ(Count(s.history(Label::Status), "Image 1/1"), 1);  // before the exposure
        EXPECT_EQ(s.ui.label(Label::ImageNumber), "Image 1/1");
        EXPECT_EQ(s.st.record.get().points.size(), 1u);
    }
}

}  // namespace
}  // namespace kov::test

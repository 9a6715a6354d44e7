#include "run/target_loop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <functional>
#include <optional>
#include <regex>
#include <stdexcept>
#include <utility>

#include "mount/target_sync.h"
#include "run/run_commands.h"
#include "run/run_state.h"
#include "run/run_trace.h"

namespace kov::test {
namespace {

// "1 2 2 3": the image numbers the ImageNumber label showed.
std::string Images(RunStation& s) {
    std::string text;
    for (const std::string& shown : s.history(Label::ImageNumber)) {
        text += (text.empty() ? "" : " ") + shown.substr(6, shown.find('/') - 6);
    }
    return text;
}

int Calls(const SimStation& s, const std::string& operation) {
    const auto& log = s.sim.callLog();
    return static_cast<int>(std::count(log.begin() + s.callMark, log.end(), operation));
}

// One START pass in the log: its image, solution, report and move.
void AddPass(std::vector<std::string>& trace, bool bFirst, bool bTest) {
    trace.push_back("Image #/#");
    trace.push_back("Plate Solution: RA = # DEC = #");
    trace.push_back(bFirst ? "Mount Position: RA =  DEC = " : "Mount Position: RA = # DEC = #");
    if (!bTest) {
        trace.push_back(bFirst ? "Doing Sync" : "Doing Additional Align");
        trace.push_back("New Gemini Result - Az Err: #'#\" El Err: #'#\"");
    }
    trace.push_back("Slewing to new location RA=# Dec=#");
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

void WideWalk(RunSettings& s) {
    s.InitialMoveRA.set("15");
    s.MoveInRA.set("15");
    s.MoveInDEC.set("15");
    s.ReverseRA.set("90");
    s.DECMaxRange.set("60");
}

TEST(WholeRun, ZigZagWithCcdSoftSyncsAlignsNinePointsLearnsThePolarAxisAndSlewsBack) {
    RunStation s(ModelingNight(), 10);
    WideWalk(s.st.settings);
    Command1Click(s.st);

    std::vector<std::string> trace = {"Starting Model Run", "Start RA=# Dec= #",
                                      "Az Err: #'#\" El Err: #'#\""};
    for (int point = 1; point <= 10; ++point) {
        AddPass(trace, point == 1, false);
    }
    trace.insert(trace.end(), {"Slewing to starting position", "Modeling run completed!",
                               "Model Run Completed"});
    EXPECT_EQ(RunTrace(s.st.log.text()), trace);
    EXPECT_EQ(Images(s), "1 2 3 4 5 6 7 8 9 10");
    EXPECT_EQ(s.history(Label::Command1), (std::vector<std::string>{"STOP", "START"}));
    EXPECT_EQ(s.ui.label(Label::Status), "Modeling run completed!");
    EXPECT_EQ(s.sent(), "CM Cm Cm Cm Cm Cm Cm Cm Cm Cm");
    EXPECT_TRUE(s.ui.boxes.empty());

    const RunRecord& r = s.st.record.get();
    EXPECT_EQ(r.ending, RunEnding::Completed);
    ASSERT_EQ(r.points.size(), 10u);
    EXPECT_EQ(r.pointsSent(), 10);
    EXPECT_FALSE(r.points[0].target.has_value());
    EXPECT_TRUE(r.points[9].target.has_value());
    ASSERT_TRUE(r.endTerms.has_value());
    const auto& truth = s.sim.scenario().mountErrors;
    EXPECT_NEAR(r.endTerms->a * 60.0, truth.MA, 30.0);
    EXPECT_NEAR(r.endTerms->e * 60.0, truth.ME, 30.0);
    EXPECT_NEAR(s.sim.controllerModel().MA, truth.MA, 30.0);
    EXPECT_NEAR(s.sim.controllerModel().ME, truth.ME, 30.0);

    // Back where the first point was solved: the walk's start.
    const auto back = s.sim.reportedPointing();
    EXPECT_NEAR(back.ra, r.points[0].solved->ra, 1e-3);
    EXPECT_NEAR(back.dec, r.points[0].solved->dec, 1e-2);
    EXPECT_EQ(s.sim.alive("SkyPlanetarium") + s.sim.alive("SkyTelescope"), 0);
}

TEST(WholeRun, ATestRunSendsNothingAndAfterTheModelRunPointsAtLeastThreeTimesCloser) {
    RunStation s(ModelingNight(), 10);
    WideWalk(s.st.settings);
    TestItClick(s.st);
    std::vector<std::string> trace = {"Starting TEST run", "Start RA=# Dec= #",
                                      "Az Err: #'#\" El Err: #'#\""};
    for (int point = 1; point <= 10; ++point) {
        AddPass(trace, point == 1, true);
    }
    trace.insert(trace.end(),
                 {"Slewing to starting position", "Modeling run completed!", "TEST Run completed"});
    EXPECT_EQ(RunTrace(s.st.log.text()), trace);
    EXPECT_EQ(s.commands(), "<201: <202:");  // only the reading at the start
    const auto& shown = s.history(Label::GeminiResult);
    EXPECT_EQ(std::count_if(shown.begin(), shown.end(),
                            [](const std::string& t) { return t.rfind("RMS=", 0) == 0; }),
              9);
    EXPECT_NE(shown.back().find("  Peak="), std::string::npos);
    ASSERT_TRUE(s.st.record.get().testRmsDeg.has_value());
    const double before = *s.st.record.get().testRmsDeg;
    EXPECT_GT(before * 3600.0, 120.0);  // arc minutes off before any modeling

    Command1Click(s.st);
    ASSERT_EQ(s.st.record.get().ending, RunEnding::Completed);
    TestItClick(s.st);
    const double after = s.st.record.get().testRmsDeg.value_or(1e9);
    EXPECT_LT(after * 3.0, before) << before * 3600 << "\" then " << after * 3600 << "\"";
}

// Mapping points over the southern and western sky, as captured angle texts.
void AddPoints(Station& st, int count) {
    const int altAz[][2] = {{40, 100}, {55, 130}, {35, 160}, {60, 190}, {45, 220}, {30, 250},
                            {65, 140}, {50, 205}, {38, 275}, {55, 115}, {33, 235}, {62, 170}};
    for (int i = 0; i < count; ++i) {
        const auto text = [](int deg) {
            return std::to_string(deg) + kPointDegreeSeparator + "00' 00\"";
        };
        st.points.add({text(altAz[i][0]), text(altAz[i][1])});
    }
}

TEST(WholeRun, MapPointsWithMaximDlVisitsTheListInOrderAndSlewsBackToTheStart) {
    RunStation s(ModelingNight());
    s.st.settings.bZigZag.set(false);
    s.st.settings.bCCDSoft.set(false);
    AddPoints(s.st, 10);
    ASSERT_EQ(s.st.settings.NumberOfAligns(), "10");
    Command1Click(s.st);

    std::vector<std::string> trace = {"Starting Model Run", "Start RA=# Dec= #",
                                      "Az Err: #'#\" El Err: #'#\"", "Slewing to point #"};
    for (int point = 1; point <= 10; ++point) {
        trace.insert(trace.end(),
                     {"Image #/#", "Plate Solution: RA = # DEC = #", "Mount Position: RA =  DEC = ",
                      point == 1 ? "Doing Sync" : "Doing Additional Align",
                      "New Gemini Result - Az Err: #'#\" El Err: #'#\"", "Slewing to point #"});
    }
    trace.insert(trace.end(), {"Slewing to starting position", "Modeling run completed!",
                               "Model Run Completed"});
    EXPECT_EQ(RunTrace(s.st.log.text()), trace);
    EXPECT_EQ(s.sent(), "CM Cm Cm Cm Cm Cm Cm Cm Cm Cm");
    EXPECT_EQ(s.st.run.nListPoint, 0);  // the eleventh move wrapped to the first point
    EXPECT_TRUE(s.ui.boxes.empty());
    const RunRecord& r = s.st.record.get();
    EXPECT_EQ(r.ending, RunEnding::Completed);
    EXPECT_EQ(r.pointsSent(), 10);
    ASSERT_TRUE(r.endTerms.has_value());
    const auto& truth = s.sim.scenario().mountErrors;
    EXPECT_NEAR(r.endTerms->a * 60.0, truth.MA, 30.0);
    EXPECT_NEAR(r.endTerms->e * 60.0, truth.ME, 30.0);

    // Back at the position read at the start.
    std::smatch start;
    const std::string log = s.st.log.text();
    ASSERT_TRUE(std::regex_search(log, start, std::regex("Start RA=(\\S+) Dec= (\\S+)")));
    EXPECT_NEAR(s.sim.reportedPointing().ra, std::stod(start[1]), 1e-3);
    EXPECT_NEAR(s.sim.reportedPointing().dec, std::stod(start[2]), 1e-2);
}

// List moves: TEST's extra move, a failed move answered Yes or No, and stops found by a move.
TEST(RunLoop, ListMovesFailStopAndSkip) {
    const AutomationError refused(1002, "Below the horizon");
    struct Row {
        const char* name;
        bool bTest;
        int listSize;
        const char* failWhen;  // the Status at whose yield the next slew is set to fail
        const char* stopWhen;  // the Status at whose yield STOP is clicked
        std::deque<Answer> answers;
        std::vector<std::string> lines;
        const char* sent;
        RunEnding ending;
    };
    const Row rows[] = {
        {"TEST moves twice a pass",
         true,
         6,
         nullptr,
         nullptr,
         {},
         {"Slewing to point 1", "Image 1/3", "Slewing to point 2", "Image 2/3",
          "Slewing to point 3", "Slewing to point 4", "Image 3/3", "Slewing to point 5",
          "Slewing to point 6", "Modeling run completed!", "TEST Run completed"},
         "",
         RunEnding::Completed},
        {"initial move fails, Yes: the next point",
         false,
         4,
         "Selecting point 1 in the list",
         nullptr,
         {Answer::Yes},
         {"Slewing to point 1", "Error occurred: Moving to initial fractal coordinates",
          "Continuing...", "Slewing to point 2", "Image 1/3", "Slewing to point 3", "Image 2/3",
          "Slewing to point 4", "Image 3/3", "Slewing to point 1", "Modeling run completed!",
          "Model Run Completed"},
         "CM Cm Cm",
         RunEnding::Completed},
        {"initial move fails, No",
         false,
         4,
         "Selecting point 1 in the list",
         nullptr,
         {Answer::No},
         {"Slewing to point 1", "Error occurred: Moving to initial fractal coordinates",
          "Modeling run incomplete!", "Model Run Completed"},
         "",
         RunEnding::Incomplete},
        {"a regular move fails, Yes: the failed point does not count",
         false,
         4,
         "Doing Sync",
         nullptr,
         {Answer::Yes},
         {"Slewing to point 1", "Image 1/3", "Slewing to point 2",
          "Error occurred: Doing Telescope Sync", "Continuing...", "Slewing to point 3",
          "Image 2/3", "Slewing to point 4", "Image 3/3", "Slewing to point 1",
          "Modeling run completed!", "Model Run Completed"},
         "CM Cm Cm",
         RunEnding::Completed},
        {"a stop in the initial move returns without a question",
         false,
         4,
         nullptr,
         "Slewing to point 1",
         {},
         {"Slewing to point 1", "Model Run Aborted", "Model Run Aborted"},
         "",
         RunEnding::Stopped},
        {"a stop in TEST's extra move returns without a question",
         true,
         6,
         nullptr,
         "Slewing to point 3",
         {},
         {"Slewing to point 1", "Image 1/3", "Slewing to point 2", "Image 2/3",
          "Slewing to point 3", "Model Run Aborted", "TEST Run completed", "TEST run stopped"},
         "",
         RunEnding::Stopped},
        {"an empty list ends the run however often the answer is Yes",
         false,
         0,
         nullptr,
         nullptr,
         {},
         {"Error occurred: Moving to initial fractal coordinates", "Continuing...",
          "Modeling run incomplete!", "Model Run Completed"},
         "",
         RunEnding::Incomplete},
    };
    static const std::regex listLines(
        "^(Slewing to point|Image [0-9]|Error occurred|Continuing|Modeling run|Model Run|TEST)");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RunStation s(ModelingNight());
        s.st.settings.bZigZag.set(false);
        AddPoints(s.st, row.listSize);
        s.st.settings.NumberOfAligns.set("3");
        s.ui.answers = row.answers;
        bool bFailed = false;
        bool bStopped = false;
        s.ui.onYield = [&](int) {
            const std::string status = s.ui.label(Label::Status);
            if (row.failWhen != nullptr && !bFailed && status == row.failWhen) {
                bFailed = true;
                s.sim.failOperation("SkyTelescope.SlewToAzAlt", refused);
            }
            if (row.stopWhen != nullptr && !bStopped && status == row.stopWhen) {
                bStopped = true;
                Command1Click(s.st);
            }
        };
        (row.bTest ? TestItClick : Command1Click)(s.st);
        std::vector<std::string> lines;
        for (const std::string& entry : LogEntries(s.st.log.text())) {
            if (std::regex_search(entry, listLines)) {
                lines.push_back(entry.substr(0, entry.find("\r\n")));
            }
        }
        EXPECT_EQ(lines, row.lines);
        EXPECT_EQ(s.sent(), row.sent);
        EXPECT_EQ(s.st.record.get().ending, row.ending);
        for (const RecordedBox& box : s.ui.boxes) {
            EXPECT_EQ(box.title, row.stopWhen ? "KOV - User Interrupt" : "KOV - ERROR");
        }
    }
}

// Failures of the plate solution, and outside calls that raise, answered by the operator.
TEST(RunLoop, FailedPointsAreSkippedRepeatedAndNeverSent) {
    const AutomationError raised(0x1A8, "Camera gone");
    struct Row {
        const char* name;
        int points;
        std::vector<int> failImages;
        const char* failOperation;  // raises once, or null
        std::deque<Answer> answers;
        const char* images;
        const char* sent;
        std::vector<std::string> boxes;  // "title: first line"
        RunEnding ending;
        int slews;  // moves and the slew back
    };
    const std::string plate =
        "KOV - Plate Solution Error: Star pattern not recognized! Do you "
        "want to try to continue?";
    const Row rows[] = {
        {"one point", 1, {}, nullptr, {}, "1", "CM", {}, RunEnding::Completed, 2},
        {"three failures pass",
         3,
         {2, 3, 4},
         nullptr,
         {},
         "1 2 2 2 2 3",
         "CM Cm Cm",
         {},
         RunEnding::Completed,
         7},
        {"the fourth asks; Yes goes on",
         3,
         {2, 3, 4, 5, 6},
         nullptr,
         {Answer::Yes, Answer::Yes},
         "1 2 2 2 2 2 2 3",
         "CM Cm Cm",
         {plate, plate},
         RunEnding::Completed,
         9},
        {"No gives up, still slews back",
         3,
         {2, 3, 4, 5},
         nullptr,
         {Answer::No},
         "1 2 2 2 2",
         "CM",
         {plate},
         RunEnding::Incomplete,
         5},
        {"a solved point resets the count; no sync after a failed first",
         3,
         {1, 2, 3, 5, 6, 7},
         nullptr,
         {},
         "1 1 1 1 2 2 2 2 3",
         "Cm Cm Cm",
         {},
         RunEnding::Completed,
         10},
        {"exposure raises, Yes: a failed point",
         2,
         {},
         "CcdCamera.TakeImage",
         {Answer::Yes},
         "1 1 2",
         "Cm Cm",
         {"KOV - ERROR: Error occurred: Exposing image and plate solving"},
         RunEnding::Completed,
         4},
        {"exposure raises, No: incomplete, the mount stays",
         2,
         {},
         "CcdCamera.TakeImage",
         {Answer::No},
         "1",
         "",
         {"KOV - ERROR: Error occurred: Exposing image and plate solving"},
         RunEnding::Incomplete,
         0},
        {"solution unreadable, Yes: a failed point",
         2,
         {},
         "SkyPlanetarium.GetObjectRaDec",
         {Answer::Yes},
         "1 1 2",
         "Cm Cm",
         {"KOV - ERROR: Error occurred: Get Object RA and DEC from TheSky"},
         RunEnding::Completed,
         4},
        {"Yes resumes with the next action",
         2,
         {},
         "SkyTelescope.Disconnect",
         {Answer::Yes},
         "1 2",
         "CM Cm",
         {"KOV - ERROR: Error occurred: Retrieving RA and DEC"},
         RunEnding::Completed,
         3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        sim::Scenario scenario = ModelingNight();
        scenario.failImages = row.failImages;
        RunStation s(scenario, row.points);
        if (row.failOperation != nullptr) {
            s.sim.failOperation(row.failOperation, raised);
        }
        s.ui.answers = row.answers;
        Command1Click(s.st);
        EXPECT_EQ(Images(s), row.images);
        EXPECT_EQ(s.sent(), row.sent);
        std::vector<std::string> boxes;
        for (const RecordedBox& b : s.ui.boxes) {
            boxes.push_back(b.title + ": " + b.text.substr(0, b.text.find("\r\n")));
        }
        EXPECT_EQ(boxes, row.boxes);
        EXPECT_EQ(s.st.record.get().ending, row.ending);
        EXPECT_EQ(Calls(s, "SkyTelescope.SlewToRaDec"), row.slews);
        const auto trace = RunTrace(s.st.log.text());
        const bool bGaveUp = !row.answers.empty() && row.answers.back() == Answer::No;
        EXPECT_EQ(Count(trace, "Modeling run completed!"), row.slews > 0 ? 1 : 0);
        EXPECT_EQ(Count(trace, "Modeling run incomplete!"), bGaveUp && row.slews == 0 ? 1 : 0);
        EXPECT_EQ(Count(trace, "Aborting: too many errors!"), bGaveUp && row.slews > 0 ? 1 : 0);
        // Every point sent was solved from its own image.
        for (const PointRecord& p : s.st.record.get().points) {
            EXPECT_TRUE(p.sync == 0 || (p.status == 0 && p.solved.has_value()));
        }
    }
}

// The second click, START or TEST, at a check of the run; the answer to "Do you really want to
// stop?" decides.
TEST(RunCommands, StopRequestsFromEitherButtonEndTheRunAtItsNextCheck) {
    using Click = void (*)(Station&);
    struct Row {
        const char* name;
        Click run;
        Click stop;
        const char* when;  // the Status text whose yield the click comes in
        Answer answer;
        std::vector<std::string> lines;
        bool bReleased;  // DeleteObjects ran
    };
    const Row rows[] = {
        {"START stopped in the delay still slews back",
         Command1Click,
         Command1Click,
         "Delay...",
         Answer::Yes,
         {"Starting Model Run", "Model Run Aborted", "Slewing to starting position",
          "Modeling run completed!", "Model Run Aborted"},
         false},
        {"START stopped at another check stays",
         Command1Click,
         Command1Click,
         "Doing Additional Align",
         Answer::Yes,
         {"Starting Model Run", "Model Run Aborted", "Model Run Aborted"},
         false},
        {"No changes nothing",
         Command1Click,
         Command1Click,
         "Delay...",
         Answer::No,
         {"Starting Model Run", "Slewing to starting position", "Modeling run completed!",
          "Model Run Completed"},
         true},
        {"TEST stopped by TEST",
         TestItClick,
         TestItClick,
         "Slewing to new location",
         Answer::Yes,
         {"Starting TEST run", "Test run aborted by user", "TEST Run completed",
          "TEST run stopped"},
         false},
        {"START stopped by TEST",
         Command1Click,
         TestItClick,
         "Doing Sync",
         Answer::Yes,
         {"Starting Model Run", "Test run aborted by user", "Model Run Aborted"},
         false},
        {"TEST stopped by START",
         TestItClick,
         Command1Click,
         "Delay...",
         Answer::Yes,
         {"Starting TEST run", "Model Run Aborted", "Slewing to starting position",
          "Modeling run completed!", "TEST Run completed", "TEST run stopped"},
         false},
    };
    static const std::regex commandLines(
        "^(Starting (Model|TEST)|Model Run|TEST|Test run|Modeling run|Slewing to starting)");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RunStation s(ModelingNight(), 3);
        bool bClicked = false;
        s.ui.onYield = [&](int) {
            if (!bClicked && s.ui.label(Label::Status).rfind(row.when, 0) == 0) {
                bClicked = true;
                s.ui.answers.push_back(row.answer);
                row.stop(s.st);
                EXPECT_TRUE(s.st.run.bRunning);  // the nested click never starts a run
            }
        };
        row.run(s.st);
        ASSERT_TRUE(bClicked);
        std::vector<std::string> lines;
        for (const std::string& entry : LogEntries(s.st.log.text())) {
            if (std::regex_search(entry, commandLines)) {
                lines.push_back(entry);
            }
        }
        EXPECT_EQ(lines, row.lines);
        const bool bStopped = row.answer == Answer::Yes;
        EXPECT_EQ(s.ui.label(Label::Status), bStopped ? "Stopped" : "Modeling run completed!");
        EXPECT_EQ(s.st.record.get().ending, bStopped ? RunEnding::Stopped : RunEnding::Completed);
        EXPECT_EQ(s.st.devices.planetarium == nullptr, row.bReleased);
        EXPECT_EQ(s.history(Label::Command1), (std::vector<std::string>{"STOP", "START"}));
        EXPECT_FALSE(s.st.run.bRunning || s.st.run.bStop);
        EXPECT_EQ(s.ui.boxes.front().title, "KOV - User Interrupt");
    }
}

// A run that cannot start ends quietly: the failing procedure has already told the operator.
TEST(RunCommands, RunsThatCannotStart) {
    struct Row {
        const char* name;
        std::function<void(RunStation&)> setup;
        std::vector<std::string> trace;
        std::vector<std::string> captions;
        bool bTopmost;
        std::optional<RunEnding> ending;  // none: no record begun
    };
    const Row rows[] = {
        {"CreateObjects fails",
         [](RunStation& s) { s.sim.setProgramMissing(progid::kTheSky5); },
         {"Starting Model Run"},
         {"STOP", "START"},
         true,
         RunEnding::Failed},
        {"ConnectObjects fails",
         [](RunStation& s) {
             s.sim.failOperation("SkyTelescope.Connect", AutomationError(1001, "no mount"));
         },
         {"Starting Model Run"},
         {"STOP", "START"},
         true,
         RunEnding::Failed},
        {"ValidateInput fails",
         [](RunStation& s) { s.st.settings.InitialMoveRA.set("0"); },
         {},
         {},
         false,
         std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RunStation s;
        row.setup(s);
        Command1Click(s.st);
        EXPECT_EQ(RunTrace(s.st.log.text()), row.trace);
        EXPECT_EQ(s.history(Label::Command1), row.captions);
        const auto& calls = s.ui.windowCalls;
        EXPECT_EQ(std::find(calls.begin(), calls.end(), "keepOnTop") != calls.end(), row.bTopmost);
        if (row.ending) {
            EXPECT_EQ(s.st.record.get().ending, *row.ending);
            EXPECT_EQ(s.ui.boxes.size(), 1u);  // the failing procedure's own report
        } else {
            EXPECT_EQ(s.st.log.text(), "");
            EXPECT_EQ(s.ui.boxes.at(0).title, "KOV - Invalid input");
        }
        EXPECT_EQ(s.st.devices.planetarium, nullptr);
        EXPECT_FALSE(s.st.run.bRunning);
    }
}

// An error nobody expected leaves through the click's guard, but the window is free again.
TEST(RunCommands, AnUnexpectedErrorStillEndsTheRun) {
    RunStation s;
    s.ui.onYield = [](int n) {
        if (n == 30) {
            throw std::runtime_error("out of memory");
        }
    };
    EXPECT_THROW(Command1Click(s.st), std::runtime_error);
    EXPECT_FALSE(s.st.run.bRunning || s.st.run.bStop);
    EXPECT_EQ(s.history(Label::Command1), (std::vector<std::string>{"STOP", "START"}));
    EXPECT_EQ(s.st.record.get().ending, RunEnding::Failed);
}

// TheSky's telescope, answering 0 h to the first right ascension asked of it.
class ZeroHoursTelescope : public SkyTelescope {
  public:
    explicit ZeroHoursTelescope(std::shared_ptr<SkyTelescope> real) : real_(std::move(real)) {}
    void Connect() override { real_->Connect(); }
    void Disconnect() override { real_->Disconnect(); }
    int IsConnected() override { return real_->IsConnected(); }
    void SetAsynchronous(bool value) override { real_->SetAsynchronous(value); }
    void GetRaDec() override { real_->GetRaDec(); }
    double dRA() override {
        const double ra = real_->dRA();
        return std::exchange(bFirst_, false) ? 0.0 : ra;
    }
    double dDec() override { return real_->dDec(); }
    void GetAzAlt() override { real_->GetAzAlt(); }
    double dAlt() override { return real_->dAlt(); }
    double dAz() override { return real_->dAz(); }
    void SlewToRaDec(double ra, double dec, const std::string& name) override {
        real_->SlewToRaDec(ra, dec, name);
    }
    void SlewToAzAlt(double az, double alt, const std::string& name) override {
        real_->SlewToAzAlt(az, alt, name);
    }
    int IsSlewComplete() override { return real_->IsSlewComplete(); }

  private:
    std::shared_ptr<SkyTelescope> real_;
    bool bFirst_ = true;
};

class ZeroHoursFactory : public ObjectFactory {
  public:
    explicit ZeroHoursFactory(ObjectFactory& real) : real_(real) {}
    std::shared_ptr<SkyTelescope> createSkyTelescope(const std::string& id) override {
        return std::make_shared<ZeroHoursTelescope>(real_.createSkyTelescope(id));
    }
    std::shared_ptr<AscomTelescope> createAscomTelescope(const std::string& id) override {
        return real_.createAscomTelescope(id);
    }
    std::shared_ptr<SkyPlanetarium> createPlanetarium(const std::string& id) override {
        return real_.createPlanetarium(id);
    }
    std::shared_ptr<DriverUtil> createDriverUtil(const std::string& id) override {
        return real_.createDriverUtil(id);
    }
    std::shared_ptr<DriverChooser> createChooser(const std::string& id) override {
        return real_.createChooser(id);
    }
    std::shared_ptr<CcdCamera> createCcdCamera(const std::string& id) override {
        return real_.createCcdCamera(id);
    }
    std::shared_ptr<CcdImage> createCcdImage(const std::string& id) override {
        return real_.createCcdImage(id);
    }
    std::shared_ptr<MaximApplication> createMaximApplication(const std::string& id) override {
        return real_.createMaximApplication(id);
    }

  private:
    ObjectFactory& real_;
};

// 0 h is a real start: the first point fails, so the walk starts from the position read, and
// the run ends there.
TEST(RunLoop, AStartAtZeroHoursIsSlewedBackTo) {
    sim::Scenario scenario = ModelingNight();
    scenario.failImages = {1};
    RunStation s(scenario, 2);
    ZeroHoursFactory objects(s.sim.factory());
    Station st(s.ui, s.clock, objects, s.sim.desktop());
    st.settings.PixelScale.set(s.st.settings.PixelScale());
    st.settings.NumberOfAligns.set("2");
    Command1Click(st);
    const auto trace = RunTrace(st.log.text());
    ASSERT_GE(trace.size(), 2u);
    EXPECT_EQ(LogEntries(st.log.text()).end()[-1], "Model Run Completed");
    EXPECT_EQ(Count(LogEntries(st.log.text()), "Modeling run completed!"), 1);
    EXPECT_EQ(Calls(s, "SkyTelescope.SlewToRaDec"), 4);  // three moves and the slew back
    const double ra = s.sim.reportedPointing().ra;
    EXPECT_LT(std::min(ra, 24.0 - ra), 0.01) << ra;
}

// A target south of the equator is held as 350 and more degrees; its error against a solution
// a little off is small, not nearly a full turn.
TEST(RunLoop, TestErrorsGoTheShortWayRound) {
    sim::Scenario scenario = ModelingNight();
    scenario.startDec = -2.0;
    scenario.mountErrors.ID =
        -900.0;  // on this pier side the mount then points north of every target
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

// The headless runner, run as the real program on the simulated observatory.
#include <gtest/gtest.h>
#include <signal.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "headless/program_run.h"

namespace kov::test {
namespace {

using Json = nlohmann::json;
using Args = std::vector<std::string>;

// 2026-12-06 21:05:03 UTC, where the tests' virtual clock starts too.
constexpr const char* kNightStart = "1796591103";
// The built-in night's camera: a scale far from it finds no stars.
constexpr const char* kPixelScale = "PixelScale=1.85";

// One night's files in a fresh folder: the operator's own store (config/), a settings file and
// the report.
struct Night {
    TempFolder dir;

    // Fast, repeatable, with a settings file and a report of its own.
    Args args(Args extra) const {
        extra.insert(extra.end(),
                     {"--fast", "--clock-start", kNightStart, "--set", kPixelScale, "--settings",
                      dir.path("settings.ini"), "--report", dir.path("report.json")});
        return extra;
    }
    ProgramRun run(const Args& extra) const { return RunProgram(dir.path(), args(extra)); }
    Json report() const { return Json::parse(dir.read("report.json")); }
};

// The log as printed: the entries' texts without their times.
std::vector<std::string> LogTexts(const std::string& out) {
    std::vector<std::string> texts;
    std::size_t begin = 0;
    while (begin < out.size()) {
        std::size_t end = out.find('\n', begin);
        end = end == std::string::npos ? out.size() : end;
        const std::string line = out.substr(begin, end - begin);
        if (line.size() > 10 && line[2] == ':' && line[5] == ':' && line.substr(8, 2) == "  ") {
            texts.push_back(line.substr(10));
        }
        begin = end + 1;
    }
    return texts;
}

TEST(HeadlessUsage, ProblemsOfTheCommandLineExit2WithOneLineAndTouchNothing) {
    Night night;
    night.dir.write("not-json.json", R"({"seed": "tonight"})");
    night.dir.write("points.ini", "[Settings]\nthis line is not a setting\n");
    struct Row {
        const char* name;
        Args args;
        std::string says;
    };
    const std::vector<Row> rows{
        {"unknown option", {"start", "--bogus"}, "--bogus"},
        {"unknown command", {"launch"}, "unknown command 'launch'"},
        {"no command", {"--verbose"}, "no command given"},
        {"unknown --set name", {"start", "--set", "Bogus=1"}, "no control is named Bogus"},
        {"--set without a value", {"start", "--set", "NumberOfAligns"}, "NAME=VALUE"},
        {"entry BinMode has not", {"start", "--set", "BinMode=6x6"}, "1x1, 2x2, 3x3"},
        {"option button takes no words", {"start", "--set", "bMaxim=maybe"}, "true or false"},
        {"unknown answer", {"start", "--answer", "maybe"}, "yes, no, ok and cancel"},
        {"unreadable point file", {"start", "--points", night.dir.path("none.kov")}, "none.kov"},
        {"unreadable scenario", {"start", "--scenario", night.dir.path("none.json")}, "none.json"},
        {"scenario with a bad value",
         {"start", "--scenario", night.dir.path("not-json.json")},
         "seed"},
        {"add-point without a file", {"add-point"}, "add-point saves the list to --points"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ProgramRun run = night.run(row.args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(row.says), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(std::filesystem::exists(night.dir.path("settings.ini")));
        EXPECT_FALSE(std::filesystem::exists(night.dir.path("report.json")));
    }

    // A settings file that is not one, and a report nobody could write, are refused before the
    // night's work; the file stays as it was.
    const Args bad{"start", "--fast", "--settings", night.dir.path("points.ini")};
    EXPECT_EQ(RunProgram(night.dir.path(), bad).exitCode, 2);
    EXPECT_EQ(night.dir.read("points.ini"), "[Settings]\nthis line is not a setting\n");
    const ProgramRun nowhere = RunProgram(
        night.dir.path(), {"start", "--fast", "--report", night.dir.path("no/such/folder/r.json")});
    EXPECT_EQ(nowhere.exitCode, 2);
    EXPECT_NE(nowhere.err.find("does not exist"), std::string::npos) << nowhere.err;
    const ProgramRun slow = RunProgram(night.dir.path(), {"start", "--clock-start", "5"});
    EXPECT_EQ(slow.exitCode, 2);
    EXPECT_NE(slow.err.find("--clock-start requires --fast"), std::string::npos) << slow.err;
}

// A scenario file: the built-in night with these keys changed.
std::string Scenario(const Night& night, const std::string& keys) {
    return night.dir.write("night.json", "{" + keys + "}");
}

const Json& RunOf(const Json& report, std::size_t i) {
    return report.at("runs").at(i);
}

std::size_t Solved(const Json& run) {
    return static_cast<std::size_t>(std::count_if(
        run.at("points").begin(), run.at("points").end(),
        [](const Json& p) { return p.at("status") == 0 && !p.at("solved").is_null(); }));
}

TEST(HeadlessRun, CommandsEndAndReportAsTheWindowWould) {
    struct Row {
        const char* name;
        std::string scenario;  // keys changed from the built-in night
        Args args;
        int exitCode;
        std::vector<std::string> logged;  // in this order, others may come between
        std::vector<std::string> boxes;   // in the error stream, in this order
        std::function<void(const ProgramRun& run, const Json& report)> check;
    };
    const std::vector<Row> rows{
        {"a START run solves every point and builds the model",
         "",
         {"start"},
         0,
         {"Starting Model Run", "Image 1/10", "Image 10/10", "Modeling run completed!",
          "Model Run Completed", "KOV Exiting"},
         {},
         [](const ProgramRun&, const Json& r) {
             ASSERT_EQ(r.at("runs").size(), 1u);
             const Json& run = RunOf(r, 0);
             EXPECT_EQ(run.at("command"), "start");
             EXPECT_EQ(run.at("ending"), "completed");
             EXPECT_EQ(Solved(run), 10u);
             EXPECT_TRUE(run.at("points").at(0).at("target").is_null());  // no slew yet
             EXPECT_FALSE(run.at("points").at(1).at("target").is_null());
             EXPECT_FALSE(run.at("points").at(9).at("terms").is_null());
             EXPECT_FALSE(run.at("startTerms").is_null());
             EXPECT_TRUE(run.at("rmsDeg").is_null());
         }},
        {"test start test: three runs in one night, the pointing improves",
         "",
         {"test", "start", "test", "--set", "NumberOfAligns=6"},
         0,
         {"Starting TEST run", "TEST Run completed", "Starting Model Run", "Model Run Completed",
          "Starting TEST run", "TEST Run completed"},
         {},
         [](const ProgramRun&, const Json& r) {
             ASSERT_EQ(r.at("runs").size(), 3u);
             EXPECT_EQ(RunOf(r, 0).at("command"), "test");
             EXPECT_EQ(RunOf(r, 1).at("command"), "start");
             EXPECT_TRUE(RunOf(r, 1).at("rmsDeg").is_null());
             const double before = RunOf(r, 0).at("rmsDeg");
             const double after = RunOf(r, 2).at("rmsDeg");
             EXPECT_LT(after * 3, before);
         }},
        {"One Sync logs Single Sync first and sends a sync",
         "",
         {"sync"},
         0,
         {"Single Sync", "Doing Performing Sync", "Sync Done!", "Sync completed"},
         {},
         [](const ProgramRun& p, const Json& r) {
             // The sync's own first line, right after the programs are connected.
             const std::vector<std::string> log = LogTexts(p.out);
             const auto connected = std::find(log.begin(), log.end(), "Done!");
             ASSERT_NE(connected, log.end());
             EXPECT_EQ(*std::next(connected), "Single Sync");
             const Json& run = RunOf(r, 0);
             EXPECT_EQ(run.at("command"), "sync");
             EXPECT_EQ(run.at("points").at(0).at("sent"), "sync");
             EXPECT_FALSE(run.at("points").at(0).at("terms").is_null());
         }},
        {"Add'l Align through MaxIm DL",
         "",
         {"align", "--set", "bMaxim=true"},
         0,
         {"Single Sync", "Doing Performing Add'l Align", "Add'l Align Done!"},
         {},
         [](const ProgramRun&, const Json& r) {
             EXPECT_EQ(RunOf(r, 0).at("points").at(0).at("sent"), "align");
         }},
        {"a missing camera program ends the run and the commands after it",
         R"("missingPrograms": ["CCDSoft.Camera"])",
         {"start", "test"},
         1,
         {"Starting Model Run", "Error while trying to Starting Camera"},
         {"[KOV - ERROR] Error while Starting Camera"},
         [](const ProgramRun&, const Json& r) {
             ASSERT_EQ(r.at("runs").size(), 1u);
             EXPECT_EQ(RunOf(r, 0).at("ending"), "failed");
         }},
        {"No at the first error question leaves the run incomplete",
         R"("site": {"horizon": 50})",
         {"start", "--answer", "no"},
         1,
         {"Starting Model Run", "Modeling run incomplete!"},
         {"[KOV - ERROR] Error occurred: "},
         [](const ProgramRun&, const Json& r) {
             EXPECT_EQ(RunOf(r, 0).at("ending"), "incomplete");
         }},
        {"given up after repeated failed solutions: logged completed, yet exit 1",
         R"("failures": {"images": [1, 2, 3, 4]})",
         {"start"},
         1,
         {"Aborting: too many errors!", "Modeling run completed!", "Model Run Completed"},
         {"[KOV - Plate Solution Error] Star pattern not recognized! Do you want to try to "
          "continue? -> Cancel"},
         [](const ProgramRun&, const Json& r) {
             EXPECT_EQ(RunOf(r, 0).at("ending"), "incomplete");
             EXPECT_TRUE(RunOf(r, 0).at("points").at(0).at("solved").is_null());
             EXPECT_NE(RunOf(r, 0).at("points").at(0).at("status"), 0);
         }},
        {"a sync whose plate solution fails",
         R"("failures": {"images": [1]})",
         {"sync"},
         1,
         {"Single Sync", "ERROR: Plate Solution failed"},
         {"[KOV - Plate Solution Error] Star pattern not recognized! -> Cancel"},
         [](const ProgramRun&, const Json& r) {
             EXPECT_EQ(RunOf(r, 0).at("ending"), "incomplete");
         }},
        {"Connect shows the driver and reads the terms",
         "",
         {"connect"},
         0,
         {},
         {},
         [](const ProgramRun& p, const Json& r) {
             EXPECT_NE(p.out.find("== connect: ScopeName Gemini, GeminiResult Az Err: "),
                       std::string::npos)
                 << p.out;
             EXPECT_TRUE(r.at("runs").empty());
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Night night;
        Args args = row.args;
        if (!row.scenario.empty()) {
            args.insert(args.end(), {"--scenario", Scenario(night, row.scenario)});
        }
        const ProgramRun run = night.run(args);
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
        const std::vector<std::string> log = LogTexts(run.out);
        auto at = log.begin();
        for (const std::string& text : row.logged) {
            at = std::find(at, log.end(), text);
            EXPECT_NE(at, log.end()) << "not logged in order: " << text << "\n" << run.out;
        }
        std::size_t from = 0;
        for (const std::string& box : row.boxes) {
            from = run.err.find(box, from);
            EXPECT_NE(from, std::string::npos) << box << "\n" << run.err;
        }
        row.check(run, night.report());
    }
}

// What the operator made (the settings store, a settings file, point files) is read as the window
// reads it and changed only where the window would change it.
TEST(HeadlessRun, OperatorFilesAreReadAndKept) {
    const std::string operatorStore = "[Settings]\nNumber of Aligns=3\nImage Scale=1.85\n";
    const std::string settingsFile =
        "; written by hand\r\n[Settings]\r\nNumber of Aligns=4\r\nMy Own Key=keep me\r\nImage "
        "Scale=1.85\r\n";
    struct Row {
        const char* name;
        Args args;  // "{dir}/" stands for the night's folder
        bool ownSettings;
        std::function<void(const Night&, const ProgramRun&)> check;
    };
    const std::vector<Row> rows{
        {"without --settings the operator's store is read and left as it was",
         {"start"},
         false,
         [&](const Night& n, const ProgramRun& p) {
             EXPECT_EQ(n.report().at("runs").at(0).at("pointsAsked"), 3);
             EXPECT_EQ(n.dir.read("config/KovSkyMapper/KOV.conf"), operatorStore);
             EXPECT_EQ(LogTexts(p.out).back(), "Model Run Completed");  // nothing saved
         }},
        {"a settings file is used and saved back with its own lines kept",
         {"start", "--set", "Exposure=5"},
         true,
         [](const Night& n, const ProgramRun& p) {
             EXPECT_EQ(n.report().at("runs").at(0).at("pointsAsked"), 4);
             const std::string saved = n.dir.read("settings.ini");
             EXPECT_EQ(
                 saved.rfind("; written by hand\r\n[Settings]\r\nNumber of Aligns=4\r\nMy Own "
                             "Key=keep me\r\nImage Scale=1.85\r\nInitial Move in RA=10\r\n",
                             0),
                 0u)
                 << saved;
             EXPECT_NE(saved.find("\r\nExposure Length=5\r\n"), std::string::npos);
             EXPECT_EQ(std::count(saved.begin(), saved.end(), '='), 21);  // 20 keys and ours
             EXPECT_EQ(LogTexts(p.out).back(), "KOV Exiting");
         }},
        {"the Map Points pattern visits the list of --points",
         {"start", "--set", "bFractal=true", "--points", "{dir}/two.kov"},
         false,
         [](const Night& n, const ProgramRun&) {
             const Json run = n.report().at("runs").at(0);
             EXPECT_EQ(run.at("pointsAsked"), 2);
             EXPECT_EQ(Solved(run), 2u);
         }},
        {"add-point starts a new list and saves it after each point",
         {"add-point", "add-point", "--points", "{dir}/new.kov"},
         false,
         [](const Night& n, const ProgramRun& p) {
             const std::string saved = n.dir.read("new.kov");
             EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 2) << saved;
             EXPECT_NE(p.out.find("2 points in"), std::string::npos) << p.out;
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Night night;
        std::filesystem::create_directories(night.dir.path("config/KovSkyMapper"));
        night.dir.write("config/KovSkyMapper/KOV.conf", operatorStore);
        night.dir.write("two.kov", "60,180\r\n55,200\r\n");
        Args args = row.args;
        for (std::string& a : args) {
            if (a.rfind("{dir}/", 0) == 0) {
                a = night.dir.path(a.substr(6));
            }
        }
        args.insert(args.end(), {"--fast", "--report", night.dir.path("report.json")});
        if (row.ownSettings) {
            night.dir.write("settings.ini", settingsFile);
            args.insert(args.end(), {"--settings", night.dir.path("settings.ini")});
        }
        const ProgramRun run = RunProgram(night.dir.path(), args);
        EXPECT_EQ(run.exitCode, 0) << run.err << run.out;
        row.check(night, run);
    }
}

// Ctrl+C: the first is a confirmed stop, the run unwinds through its stopped ending; a second
// ends the program at once. Real time, so the signals land while the run waits.
TEST(HeadlessRun, CtrlCStopsTheRunAndASecondEndsTheProgram) {
    for (const int signals : {1, 2}) {
        SCOPED_TRACE(signals);
        Night night;
        int sent = 0;
        const ProgramRun run = RunProgram(
            night.dir.path(),
            {"start", "--set", "Exposure=1", "--set", "Delay=0", "--set", kPixelScale, "--settings",
             night.dir.path("settings.ini"), "--report", night.dir.path("report.json")},
            [&](pid_t pid, const std::string& out) {
                // A slew is waited out whatever is asked meanwhile (it takes seconds here): a
                // second Ctrl+C then comes while the program still runs. Standard signals do not
                // queue, so the second waits until the first was taken.
                const char* moment = signals == 1 ? "  Image 1/10" : "  Slewing to new location";
                if (sent == 0 && out.find(moment) != std::string::npos) {
                    for (; sent < signals; ++sent) {
                        std::this_thread::sleep_for(
                            std::chrono::milliseconds(signals == 1 ? 0 : 400));
                        kill(pid, SIGINT);
                    }
                }
            });
        if (signals == 2) {
            EXPECT_EQ(run.exitCode, 128 + SIGINT);
            continue;
        }
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_NE(run.err.find("[KOV - User Interrupt] Do you really want to stop? -> Yes"),
                  std::string::npos)
            << run.err;
        const std::vector<std::string> log = LogTexts(run.out);
        EXPECT_EQ(std::count(log.begin(), log.end(), "Model Run Aborted"), 2) << run.out;
        EXPECT_EQ(night.report().at("runs").at(0).at("ending"), "stopped");
    }
}

}  // namespace
}  // namespace kov::test

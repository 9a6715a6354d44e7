// The headless runner, run as the real program on the simulated observatory.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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
constexpr const char* kPixelScale = "PixelScale=1";

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

// Problems of the command line, and files that cannot be used, are refused before any work:
// exit 2, one line, and nothing written.
TEST(HeadlessUsage, ProblemsOfTheCommandLineExit2WithOneLineAndTouchNothing) {
    Night night;
    night.dir.write("not-json.json", R"({"seed": "tonight"})");
    const std::string notIni = "[Settings]\nthis line is not a setting\n";
    night.dir.write("points.ini", notIni);
    const std::string fifo = night.dir.path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A device node of our own, the twin of /dev/null (making one needs root; without it the
    // pipe stands for it): a regression must never turn the machine's /dev/null into a file.
    const bool bDevice =
        ::mknod(night.dir.path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    const std::string device = bDevice ? night.dir.path("null") : fifo;
    const auto fast = [](Args more) {
        more.insert(more.begin(), {"start", "--fast"});
        return more;
    };
    struct Row {
        const char* name;
        Args args;
        std::string says;
        bool own = false;  // the arguments stand alone, without the night's files
    };
    const std::vector<Row> rows{
        {"unknown command", {"launch"}, "unknown command 'launch'"},
        {"unknown --set name", {"start", "--set", "Bogus=1"}, "no control is named Bogus"},
        {"--set without a value", {"start", "--set", "NumberOfAligns"}, "NAME=VALUE"},
        {"entry BinMode has not", {"start", "--set", "BinMode=6x6"}, "1x1, 2x2, 3x3"},
        {"option button takes no words", {"start", "--set", "bMaxim=maybe"}, "true or false"},
        {"unknown answer", {"start", "--answer", "maybe"}, "yes, no, ok and cancel"},
        {"unreadable point file", {"start", "--points", night.dir.path("none.kov")}, "none.kov"},
        {"bad scenario value", {"start", "--scenario", night.dir.path("not-json.json")}, "seed"},
        {"add-point without a file", {"add-point"}, "add-point saves the list to --points"},
        {"an observatory that is none", {"start", "--observatory", "moon"}, "sim or real"},
        {"both observatories", {"start", "--sim", "--observatory=real"}, "excludes"},
        {"virtual time on the real one", {"start", "--observatory", "real"}, "--fast is for"},
        {"no INI", fast({"--settings", night.dir.path("points.ini")}), "is not an INI", true},
        {"no folder", fast({"--report", night.dir.path("no/r.json")}), "does not exist", true},
        {"clock start without --fast", {"start", "--clock-start", "5"}, "requires --fast", true},
        {"chart in no folder", fast({"--plot", night.dir.path("no/model.png")}), "--plot", true},
        {"report on a device", fast({"--report", device}), "not a regular file", true},
        {"CSV on a device", fast({"--csv", device}), "not a regular file", true},
        {"settings on a device", fast({"--settings", device}), "not a regular file", true},
        {"points from a pipe", {"start", "--points", fifo}, "not a regular file"},
        {"scenario from a pipe", {"start", "--scenario", fifo}, "not a regular file"},
        {"clock start nan", fast({"--clock-start", "nan"}), "--clock-start nan", true},
        {"clock start far past", fast({"--clock-start", "-1e20"}), "--clock-start -1e20", true},
        {"clock start far future", fast({"--clock-start", "1e308"}), "--clock-start 1e308", true},
        {"clock start with letters", fast({"--clock-start", "12abc"}), "--clock-start 12abc", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ProgramRun run =
            row.own ? RunProgram(night.dir.path(), row.args) : night.run(row.args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(row.says), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(std::filesystem::exists(night.dir.path("settings.ini")));
        EXPECT_FALSE(std::filesystem::exists(night.dir.path("report.json")));
    }
    EXPECT_EQ(night.dir.read("points.ini"), notIni);
    if (bDevice) {
        struct stat st {};  // still a device, not a file renamed over it
        EXPECT_TRUE(::stat(device.c_str(), &st) == 0 && S_ISCHR(st.st_mode));
    }
}

const Json& RunOf(const Json& report, std::size_t i) {
    return report.at("runs").at(i);
}

std::size_t Solved(const Json& run) {
    return static_cast<std::size_t>(std::count_if(
        run.at("points").begin(), run.at("points").end(),
        [](const Json& p) { return p.at("status") == 0 && !p.at("solved").is_null(); }));
}

// Each command's outcome as a script sees it: the exit status, the question boxes answered in the
// error stream, a line of the log, and each run's command and ending in the report.
TEST(HeadlessRun, CommandsEndAndReportAsTheWindowWould) {
    struct Row {
        const char* name;
        std::string scenario;  // keys changed from the built-in night
        Args args;
        int exitCode;
        std::vector<std::string> runs;
        std::string logged;
        std::string box;  // "" when none may be asked
        std::function<void(const ProgramRun& run, const Json& report)> check;
    };
    const std::vector<Row> rows{
        {"test start test: three runs in one night, START builds the model, the pointing improves",
         "",
         {"test", "start", "test", "--set", "NumberOfAligns=6", "--verbose"},
         0,
         {"test completed", "start completed", "test completed"},
         "KOV Exiting",
         "",
         [](const ProgramRun& p, const Json& r) {
             // --verbose prints a label change, not every dot a wait adds to it.
             EXPECT_NE(p.out.find("Status: Slewing to new location\n"), std::string::npos);
             EXPECT_EQ(p.out.find("Status: Slewing to new location."), std::string::npos);
             const Json& start = RunOf(r, 1);
             EXPECT_EQ(Solved(start), 6u);
             EXPECT_TRUE(start.at("points").at(0).at("target").is_null());  // no slew yet
             EXPECT_FALSE(start.at("points").at(1).at("target").is_null());
             EXPECT_FALSE(start.at("points").at(5).at("terms").is_null());
             EXPECT_FALSE(start.at("startTerms").is_null());
             EXPECT_TRUE(start.at("rmsDeg").is_null());
             EXPECT_LT(RunOf(r, 2).at("rmsDeg").get<double>() * 3,
                       RunOf(r, 0).at("rmsDeg").get<double>());
         }},
        {"Connect shows the driver and the terms, and leaves no run; One Sync and Add'l Align "
         "through MaxIm DL",
         "",
         {"connect", "sync", "align", "--set", "bMaxim=true"},
         0,
         {"sync completed", "align completed"},
         "Add'l Align Done!",
         "",
         [](const ProgramRun& p, const Json& r) {
             EXPECT_NE(p.out.find("== connect: ScopeName Gemini, GeminiResult Az Err: "),
                       std::string::npos);
             EXPECT_EQ(RunOf(r, 0).at("points").at(0).at("sent"), "sync");
             EXPECT_FALSE(RunOf(r, 0).at("points").at(0).at("terms").is_null());
             EXPECT_EQ(RunOf(r, 1).at("points").at(0).at("sent"), "align");
         }},
        {"a missing camera program ends the run and the commands after it",
         R"("missingPrograms": ["CCDSoft.Camera"])",
         {"start", "test"},
         1,
         {"start failed"},
         "Error while trying to Starting Camera",
         "[KOV - ERROR] Error while Starting Camera",
         nullptr},
        {"a count the window refuses is refused with its message, before any run",
         "",
         {"start", "--set", "NumberOfAligns=nan"},
         1,
         {},
         "",
         "[KOV - Invalid input] Invalid number entered for Points (must be 1 or more)",
         nullptr},
        {"No at the first error question leaves the run incomplete",
         R"("site": {"horizon": 50})",
         {"start", "--answer", "no"},
         1,
         {"start incomplete"},
         "Modeling run incomplete!",
         "[KOV - ERROR] Error occurred: ",
         nullptr},
        {"given up after repeated failed solutions: logged completed, yet exit 1",
         R"("failures": {"images": [1, 2, 3, 4]})",
         {"start"},
         1,
         {"start incomplete"},
         "Modeling run completed!",
         "[KOV - Plate Solution Error] Star pattern not recognized! Do you want to try to "
         "continue? -> Cancel",
         [](const ProgramRun&, const Json& r) {
             EXPECT_TRUE(RunOf(r, 0).at("points").at(0).at("solved").is_null());
             EXPECT_NE(RunOf(r, 0).at("points").at(0).at("status"), 0);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Night night;
        Args args = row.args;
        if (!row.scenario.empty()) {
            args.insert(args.end(),
                        {"--scenario", night.dir.write("night.json", "{" + row.scenario + "}")});
        }
        const ProgramRun run = night.run(args);
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
        const std::vector<std::string> log = LogTexts(run.out);
        EXPECT_TRUE(row.logged.empty() ||
                    std::find(log.begin(), log.end(), row.logged) != log.end())
            << run.out;
        // No question is asked unless the row names one.
        EXPECT_EQ(run.err.find(row.box.empty() ? "[KOV" : row.box) != std::string::npos,
                  !row.box.empty())
            << run.err;
        const Json report = night.report();
        std::vector<std::string> runs;
        for (const Json& r : report.at("runs")) {
            runs.push_back(r.at("command").get<std::string>() + " " +
                           r.at("ending").get<std::string>());
        }
        EXPECT_EQ(runs, row.runs);
        if (row.check) {
            row.check(run, report);
        }
    }
}

// What the operator made (the settings store, a settings file, point files) is read as the window
// reads it and changed only where the window would change it.
TEST(HeadlessRun, OperatorFilesAreReadAndKept) {
    Night night;
    const std::string store = "[Settings]\nNumber of Aligns=3\nImage Scale=1\n";
    std::filesystem::create_directories(night.dir.path("config/KovSkyMapper"));
    night.dir.write("config/KovSkyMapper/KOV.conf", store);
    // Without --settings the operator's store is read and left as it was.
    ProgramRun run = RunProgram(night.dir.path(),
                                {"start", "--fast", "--report", night.dir.path("report.json")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(night.report().at("runs").at(0).at("pointsAsked"), 3);
    EXPECT_EQ(night.dir.read("config/KovSkyMapper/KOV.conf"), store);
    EXPECT_EQ(LogTexts(run.out).back(), "Model Run Completed");  // nothing saved

    // A settings file is used and saved back with its own lines kept; the Map Points pattern
    // visits the list of --points, whose count wins.
    // Lines edited meanwhile survive the save, a stray CR included.
    night.dir.write("settings.ini",
                    "; written by hand\r\n[Settings]\r\nNumber of Aligns=4\r\nMy Own Key=keep "
                    "me]=\r\r\nImage Scale=1\r\n");
    bool edited = false;
    run = RunProgram(night.dir.path(),
                     night.args({"start", "--set", "Exposure=5", "--set", "bFractal=true",
                                 "--points", night.dir.write("two.kov", "60,180\r\n55,200\r\n")}),
                     [&](pid_t pid, const std::string& out) {
                         if (!edited && out.find("  Image 1/2") != std::string::npos) {
                             edited = true;  // held still, so the edit comes before the save
                             kill(pid, SIGSTOP);
                             std::ofstream(night.dir.path("settings.ini"), std::ios::app)
                                 << "[Other]\r\nKey=kept\r\n";
                             kill(pid, SIGCONT);
                         }
                     });
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(night.report().at("runs").at(0).at("pointsAsked"), 2);
    EXPECT_EQ(Solved(night.report().at("runs").at(0)), 2u);
    const std::string saved = night.dir.read("settings.ini");
    EXPECT_EQ(saved.rfind("; written by hand\r\n[Settings]\r\nNumber of Aligns=2\r\nMy Own "
                          "Key=keep me]=\r\r\nImage Scale=1\r\nInitial Move in RA=10\r\n",
                          0),
              0u)
        << saved;
    EXPECT_NE(saved.find("[Other]\r\nKey=kept\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\r\nExposure Length=5\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\nMovement=PointList\r\n"), std::string::npos);
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '='), 23);  // 20 keys, ours and theirs
    EXPECT_EQ(LogTexts(run.out).back(), "KOV Exiting");

    // add-point starts a new list and saves it after each point.
    run = RunProgram(night.dir.path(),
                     {"add-point", "add-point", "--fast", "--points", night.dir.path("new.kov")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::string points = night.dir.read("new.kov");
    EXPECT_EQ(std::count(points.begin(), points.end(), '\n'), 2) << points;
    EXPECT_NE(run.out.find("2 points in"), std::string::npos) << run.out;
}

// Ctrl+C: the first is a confirmed stop, the run unwinds through its stopped ending and every
// file is written; a second ends the program at once. TERM and HUP act as a first Ctrl+C. Real
// time, so the signals land while the run waits.
TEST(HeadlessRun, CtrlCTermAndHupStopTheRunAndASecondCtrlCEndsTheProgram) {
    const struct {
        int signal;
        int times;
    } rows[] = {{SIGINT, 1}, {SIGINT, 2}, {SIGTERM, 1}, {SIGHUP, 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.signal) + " x" + std::to_string(row.times));
        Night night;
        int sent = 0;
        const ProgramRun run = RunProgram(
            night.dir.path(),
            {"start", "--set", "Exposure=1", "--set", "Delay=0", "--set", kPixelScale, "--settings",
             night.dir.path("settings.ini"), "--report", night.dir.path("report.json"), "--csv",
             night.dir.path("points.csv")},
            [&](pid_t pid, const std::string& out) {
                // A slew is waited out whatever is asked meanwhile (it takes seconds here): a
                // second Ctrl+C then comes while the program still runs. Standard signals do not
                // queue, so the second waits until the first was taken.
                const char* moment = row.times == 1 ? "  Image 1/10" : "  Slewing to new location";
                if (sent == 0 && out.find(moment) != std::string::npos) {
                    for (; sent < row.times; ++sent) {
                        std::this_thread::sleep_for(
                            std::chrono::milliseconds(row.times == 1 ? 0 : 400));
                        kill(pid, row.signal);
                    }
                }
            });
        if (row.times == 2) {
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
        EXPECT_NE(night.dir.read("settings.ini").find("Number of Aligns=10"), std::string::npos);
        EXPECT_NE(night.dir.read("points.csv").find("run,"), std::string::npos);
    }
}

// A closed standard output (a script piping into head) never ends the run: the report is
// written and the exit status is the run's.
TEST(HeadlessRun, AClosedPipeDoesNotEndTheRun) {
    TempFolder dir;
    const std::string script = dir.write(
        "pipe.sh", "cd '" + dir.path() + "' && KOV_SIM_SOLVER=statistical XDG_CONFIG_HOME='" +
                       dir.path("config") + "' '" + KOV_PROGRAM +
                       "' --headless start --fast --clock-start " + kNightStart +
                       " --report report.json | head -c 1 > /dev/null\necho ${PIPESTATUS[0]} > " +
                       "status\n");
    ASSERT_EQ(std::system(("bash '" + script + "'").c_str()), 0);
    EXPECT_EQ(dir.read("status"), "0\n");
    EXPECT_EQ(Json::parse(dir.read("report.json")).at("runs").at(0).at("ending"), "completed");
}

}  // namespace
}  // namespace kov::test

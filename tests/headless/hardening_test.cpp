// The headless runner against what a scheduler, a shell or an odd file system can do to it:
// devices and pipes, signals, a closed pipe, nonsense numbers, edits to its settings file
// meanwhile.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "headless/program_run.h"

namespace kov::test {
namespace {

using Args = std::vector<std::string>;
constexpr const char* kNightStart = "1796591103";

bool IsCharDevice(const char* path) {  // still a device, not a file renamed over it
    struct stat s {};
    return ::stat(path, &s) == 0 && S_ISCHR(s.st_mode);
}

// Refused before any work, exit 2, one line naming the problem; /dev/null stays a device.
TEST(HeadlessHardening, DevicesPipesAndNonsenseNumbersAreUsageErrors) {
    TempFolder dir;
    ASSERT_EQ(::mkfifo(dir.path("fifo").c_str(), 0600), 0);
    // A device node of our own, the twin of /dev/null (making one needs root; without it the
    // pipe stands for it): a regression must never turn the machine's /dev/null into a file.
    const bool bDevice = ::mknod(dir.path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    const std::string device = dir.path(bDevice ? "null" : "fifo");
    std::filesystem::create_symlink(dir.path("gone/x.json"), dir.path("dangling"));
    dir.write("no-alt.json", R"({"site": {"horizonProfile": [{"az": 10}]}})");
    dir.write("twice.json", R"({"seed": 1, "seed": 2})");
    const struct {
        Args args;
        const char* says;
    } rows[] = {
        {{"--report", device}, "not a regular file"},
        {{"--csv", device}, "not a regular file"},
        {{"--settings", device}, "not a regular file"},
        {{"--settings", dir.path("fifo")}, "not a regular file"},
        {{"--points", dir.path("fifo")}, "not a regular file"},
        {{"--scenario", dir.path("fifo")}, "not a regular file"},
        {{"--report", ""}, "No file name"},
        {{"--report", dir.path("dangling")}, "does not take new files"},
        {{"--clock-start", "nan"}, "--clock-start nan"},
        {{"--clock-start", "inf"}, "--clock-start inf"},
        {{"--clock-start", "-1e20"}, "--clock-start -1e20"},
        {{"--clock-start", "1e308"}, "--clock-start 1e308"},
        {{"--clock-start", ""}, "--clock-start"},
        {{"--clock-start", "12abc"}, "--clock-start 12abc"},
        {{"--scenario", dir.path("no-alt.json")}, "needs 'alt'"},
        {{"--scenario", dir.path("twice.json")}, "'seed' is given twice"},
    };
    for (const auto& row : rows) {
        Args args{"start", "--fast"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        if (row.args.front() != "--clock-start") {
            args.insert(args.end(), {"--clock-start", kNightStart});
        }
        SCOPED_TRACE(row.args.front() + " " + row.args.back());
        const ProgramRun run = RunProgram(dir.path(), args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(row.says), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    if (bDevice) {
        EXPECT_TRUE(IsCharDevice(device.c_str()));
    }
}

// A count the window refuses is refused here too, with the window's message: exit 1.
TEST(HeadlessHardening, ACountOfNoPointsIsRefusedAsTheWindowRefusesIt) {
    TempFolder dir;
    for (const char* count : {"-5", "0", "", "nan"}) {
        SCOPED_TRACE(count);
        const ProgramRun run =
            RunProgram(dir.path(), {"start", "--fast", "--clock-start", kNightStart, "--set",
                                    std::string("NumberOfAligns=") + count});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find("[KOV - Invalid input] Invalid number entered for Points"),
                  std::string::npos)
            << run.err;
    }
}

// TERM and HUP act as a first Ctrl+C: the run stops the described way and every file is
// written. Real time, so the signal lands while the run waits.
TEST(HeadlessHardening, TermAndHupStopTheRunAndEverythingIsWritten) {
    for (const int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        TempFolder dir;
        bool sent = false;
        const ProgramRun run =
            RunProgram(dir.path(),
                       {"start", "--set", "Exposure=1", "--set", "Delay=0", "--settings",
                        dir.path("settings.ini"), "--report", dir.path("report.json"), "--csv",
                        dir.path("points.csv")},
                       [&](pid_t pid, const std::string& out) {
                           if (!sent && out.find("  Image 1/10") != std::string::npos) {
                               sent = true;
                               kill(pid, signal);
                           }
                       });
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_NE(run.out.find("Model Run Aborted"), std::string::npos);
        const auto report = nlohmann::json::parse(dir.read("report.json"));
        EXPECT_EQ(report.at("runs").at(0).at("ending"), "stopped");
        EXPECT_NE(dir.read("settings.ini").find("Number of Aligns=10"), std::string::npos);
        EXPECT_NE(dir.read("points.csv").find("run,"), std::string::npos);
    }
}

// A closed standard output (a script piping into head) never ends the run: the report is
// written and the exit status is the run's.
TEST(HeadlessHardening, AClosedPipeDoesNotEndTheRun) {
    TempFolder dir;
    const std::string script = dir.write(
        "pipe.sh", "cd '" + dir.path() + "' && KOV_SIM_SOLVER=statistical XDG_CONFIG_HOME='" +
                       dir.path("config") + "' '" + KOV_PROGRAM +
                       "' --headless start --fast --clock-start " + kNightStart +
                       " --report report.json | head -c 1 > /dev/null\necho ${PIPESTATUS[0]} > " +
                       "status\n");
    ASSERT_EQ(std::system(("bash '" + script + "'").c_str()), 0);
    EXPECT_EQ(dir.read("status"), "0\n");
    const auto report = nlohmann::json::parse(dir.read("report.json"));
    EXPECT_EQ(report.at("runs").at(0).at("ending"), "completed");
}

// Edits made to the settings file while the run works survive its save; lines the program did
// not set are kept byte for byte, a stray CR included.
TEST(HeadlessHardening, EditsToTheSettingsFileDuringTheRunAreKept) {
    TempFolder dir;
    dir.write("settings.ini", "[Settings]\r\nOdd=a]=b\r\r\nNumber of Aligns=2\r\n");
    bool edited = false;
    const ProgramRun run = RunProgram(
        dir.path(),
        {"start", "--fast", "--clock-start", kNightStart, "--settings", dir.path("settings.ini")},
        [&](pid_t, const std::string& out) {
            if (!edited && out.find("  Image 1/2") != std::string::npos) {
                edited = true;
                std::ofstream(dir.path("settings.ini"), std::ios::app)
                    << "; added meanwhile\r\n[Other]\r\nKey=kept\r\n";
            }
        });
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::string after = dir.read("settings.ini");
    EXPECT_EQ(after.rfind("[Settings]\r\nOdd=a]=b\r\r\nNumber of Aligns=2\r\n", 0), 0u) << after;
    EXPECT_NE(after.find("; added meanwhile\r\n[Other]\r\nKey=kept\r\n"), std::string::npos)
        << after;
    EXPECT_NE(after.find("Image Scale=1\r\n"), std::string::npos) << after;
}

// --verbose prints a label change, not every dot a wait adds to it.
TEST(HeadlessHardening, VerboseLeavesOutTheGrowingDots) {
    TempFolder dir;
    const ProgramRun run = RunProgram(dir.path(), {"start", "--fast", "--clock-start", kNightStart,
                                                   "--verbose", "--set", "NumberOfAligns=2"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::size_t dotted = 0;
    for (std::size_t at = 0;
         (at = run.out.find("Status: Slewing to new location.", at)) != std::string::npos; ++at) {
        ++dotted;
    }
    EXPECT_EQ(dotted, 0u) << run.out;
    EXPECT_NE(run.out.find("Status: Slewing to new location\n"), std::string::npos);
}

}  // namespace
}  // namespace kov::test

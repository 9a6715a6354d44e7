// The program as an operator starts it on Linux: the simulated Gemini served on its own, and the
// headless runner choosing the real observatory, which finds that Gemini through its settings.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "linux/indi_harness.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using kov::gemini::test::FreePort;
using kov::gemini::test::ProcessGroup;
using kov::gemini::test::WaitFor;

// Output and exit status of a shell command.
std::pair<std::string, int> RunShell(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    char buffer[1024];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe)) {
        out += buffer;
    }
    const int status = pipe ? ::pclose(pipe) : -1;
    return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

class LinuxProgram : public ::testing::Test {
  protected:
    void settings(const std::string& lines) {
        fs::create_directories(folder_.root() / "config" / "KovSkyMapper");
        folder_.write("config/KovSkyMapper/KOV.conf", "[Settings]\n" + lines);
    }
    std::string env() const {
        return "cd '" + folder_.path() + "' && XDG_CONFIG_HOME='" + folder_.path("config") +
               "' timeout 60 ";
    }
    kov::test::TempFolder folder_;
};

TEST_F(LinuxProgram, TheRealObservatoryFindsTheServedGemini) {
    const std::string address = "udp:127.0.0.1:" + std::to_string(FreePort(SOCK_DGRAM));
    const ProcessGroup served({KOV_PROGRAM, "--serve-gemini", address},
                              folder_.root() / "served.log", folder_.root());
    ASSERT_TRUE(WaitFor([&] { return served.output().rfind("Serving", 0) == 0; }, 5s));
    settings("GeminiLink=" + address + "\n");
    const auto [out, status] =
        RunShell(env() + KOV_PROGRAM " --headless --observatory real connect");
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("== connect: ScopeName Losmandy Gemini (" + address + ")"),
              std::string::npos)
        << out;
}

TEST_F(LinuxProgram, ChoicesAndAddressesThatCannotWorkSaySo) {
    const struct {
        std::string args;
        int status;
        const char* says;
    } rows[] = {
        {"--headless --observatory moon connect", 2, "--observatory takes sim or real"},
        {"--serve-gemini udp:localhost", 1, "serve on an IPv4 address such as 127.0.0.1"},
        {"--serve-gemini com3", 1, "Give the Gemini as udp:HOST[:PORT]"},
        {"--serve-gemini pty --bogus", 2, "\"--bogus\" is not one of them"},
    };
    for (const auto& row : rows) {
        const auto [out, status] = RunShell(env() + KOV_PROGRAM " " + row.args);
        EXPECT_EQ(status, row.status) << row.args << "\n" << out;
        EXPECT_NE(out.find(row.says), std::string::npos) << row.args << "\n" << out;
    }
    // No Gemini where the settings say: the described "cannot connect", and no wait beyond the
    // link's tries.
    settings("GeminiLink=udp:127.0.0.1:" + std::to_string(FreePort(SOCK_DGRAM)) + "\n");
    const auto [out, status] =
        RunShell(env() + KOV_PROGRAM " --headless --observatory real connect");
    EXPECT_NE(out.find("Cannot connect to"), std::string::npos) << out;
}

}  // namespace

// The built-in night as a new operator meets it: frames rendered from the real sky and solved by
// astrometry.net, on the default settings. Seconds a point, so one run, in the normal build.
#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "headless/program_run.h"

namespace kov::test {
namespace {

TEST(HeadlessRealSky, TheBuiltInNightIsModelledWithTheRealSolver) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the real solver's whole night runs in the normal build";
#endif
    if (std::system("command -v solve-field > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "astrometry.net is not installed (tools/install-deps.sh installs it)";
    }
    TempFolder dir;
    const std::string script =
        dir.write("night.sh", "cd '" + dir.path() + "' && env -u KOV_SIM_SOLVER XDG_CONFIG_HOME='" +
                                  dir.path("config") + "' '" + KOV_PROGRAM +
                                  "' --headless test start test --fast --clock-start 1796591103 "
                                  "--report report.json > out.txt 2> err.txt\necho $? > status\n");
    ASSERT_EQ(std::system(("bash '" + script + "'").c_str()), 0);
    EXPECT_EQ(dir.read("status"), "0\n") << dir.read("err.txt");
    EXPECT_EQ(dir.read("err.txt").find("stands in"), std::string::npos) << dir.read("err.txt");
    const auto runs = nlohmann::json::parse(dir.read("report.json")).at("runs");
    ASSERT_EQ(runs.size(), 3u);
    // The night's mount: MA -300", ME +240"; the terms are arc minutes.
    EXPECT_NEAR(runs[1].at("endTerms").at("az").get<double>() * 60.0, -300.0, 30.0);
    EXPECT_NEAR(runs[1].at("endTerms").at("el").get<double>() * 60.0, 240.0, 30.0);
    EXPECT_GT(runs[0].at("rmsDeg").get<double>(), 3.0 * runs[2].at("rmsDeg").get<double>());
}

}  // namespace
}  // namespace kov::test

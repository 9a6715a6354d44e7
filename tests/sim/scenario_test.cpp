#include "sim/scenario.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace kov::sim {
namespace {

std::string ErrorOf(const std::string& json) {
    try {
        ParseScenario(json);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

TEST(SimScenario, EveryKeyIsRead) {
    const Scenario s = ParseScenario(R"({
        "seed": 42,
        "site": {"latitude": -31.25, "longitude": 149.07, "horizon": 10},
        "start": {"hourAngle": -2.5, "dec": -45},
        "mountErrors": {"MA": 100, "ME": -200, "IH": 1, "ID": 2, "CH": 3, "NP": 4},
        "noise": {"pointing": 0, "solve": 0.5},
        "slew": {"rate": 2, "settle": 5},
        "camera": {"pixelScale": 1.2, "rotation": 181, "download": 8, "temperature": -20,
                   "temperatureDrift": 0, "stars": 12},
        "failures": {"images": [3, 5], "regions": [{"ra": 5.5, "dec": -5, "radius": 2}],
                     "clouds": [{"az": 90, "alt": 30, "radius": 15}]},
        "missingPrograms": ["CCDSoft.Camera"],
        "planetariumWindow": null,
        "chooser": "ASCOM.Simulator.Telescope",
        "driver": {"id": "ASCOM.Simulator.Telescope", "name": "Simulator"}
    })");
    EXPECT_EQ(s.seed, 42u);
    EXPECT_EQ(s.site.latitude, -31.25);
    EXPECT_EQ(s.horizon, 10.0);
    EXPECT_EQ(s.startHourAngle, -2.5);
    EXPECT_EQ(s.mountErrors.MA, 100.0);
    EXPECT_EQ(s.mountErrors.NP, 4.0);
    EXPECT_EQ(s.solveNoise, 0.5);
    EXPECT_EQ(s.settleSeconds, 5.0);
    EXPECT_EQ(s.cameraRotation, 181.0);
    EXPECT_EQ(s.starsPerImage, 12);
    EXPECT_EQ(s.failImages, (std::vector<int>{3, 5}));
    ASSERT_EQ(s.failRegions.size(), 1u);
    EXPECT_EQ(s.failRegions[0].ra, 5.5);
    ASSERT_EQ(s.clouds.size(), 1u);
    EXPECT_EQ(s.clouds[0].radius, 15.0);
    EXPECT_EQ(s.missingPrograms, (std::vector<std::string>{"CCDSoft.Camera"}));
    EXPECT_EQ(s.planetariumWindowTitle, "");
    EXPECT_EQ(s.driverName, "Simulator");
}

TEST(SimScenario, DefaultsDescribeANightBeforeModeling) {
    const Scenario d = ParseScenario("{}");
    EXPECT_EQ(d.seed, DefaultScenario().seed);
    const double polar = std::hypot(d.mountErrors.MA, d.mountErrors.ME);
    EXPECT_GT(polar, 180.0);  // several arc minutes
    EXPECT_NE(d.planetariumWindowTitle.find("TheSky6"), std::string::npos);
    EXPECT_EQ(d.chooserAnswer, "Gemini.Telescope");
    EXPECT_TRUE(d.missingPrograms.empty());
    // A partial object keeps the defaults of its other keys.
    const Scenario p = ParseScenario(R"({"mountErrors": {"MA": 10}})");
    EXPECT_EQ(p.mountErrors.MA, 10.0);
    EXPECT_EQ(p.mountErrors.ME, d.mountErrors.ME);
}

TEST(SimScenario, MistakesAreNamed) {
    EXPECT_NE(ErrorOf(R"({"mountError": {}})").find("'mountError' is not a scenario key"),
              std::string::npos);
    EXPECT_NE(ErrorOf(R"({"slew": {"rate": "fast"}})").find("'slew.rate' must be a number"),
              std::string::npos);
    EXPECT_NE(ErrorOf(R"({"slew": {"rate": 0}})").find("'slew.rate' must lie between"),
              std::string::npos);
    EXPECT_NE(ErrorOf(R"({"failures": {"images": [0]}})").find("'failures.images[0]'"),
              std::string::npos);
    EXPECT_NE(ErrorOf(R"({"failures": {"clouds": [{"az": 1, "size": 2}]}})")
                  .find("'failures.clouds[0].size'"),
              std::string::npos);
    EXPECT_NE(ErrorOf("{\"seed\": ").find("not valid JSON"), std::string::npos);
    EXPECT_NE(ErrorOf("[]").find("must be an object"), std::string::npos);
    EXPECT_NE(ErrorOf(R"({"seed": -1})").find("'seed'"), std::string::npos);
}

TEST(SimScenario, LoadsFilesAndNamesTheOneThatFails) {
    const auto path = std::filesystem::temp_directory_path() / "kov_sim_scenario_test.json";
    { std::ofstream(path) << R"({"seed": 9, "chooser": "x"})"; }
    EXPECT_EQ(LoadScenario(path.string()).seed, 9u);
    { std::ofstream(path) << R"({"seed": "nine"})"; }
    try {
        LoadScenario(path.string());
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("kov_sim_scenario_test.json"), std::string::npos);
    }
    std::filesystem::remove(path);
    EXPECT_THROW(LoadScenario(path.string()), std::runtime_error);

    // The example night shipped with the simulator stays readable.
    const auto example = std::filesystem::path(__FILE__).parent_path() / "../../src/sim/scenarios" /
                         "cloudy_night.json";
    const Scenario night = LoadScenario(example.string());
    EXPECT_EQ(night.clouds.size(), 1u);
    EXPECT_EQ(night.failImages, (std::vector<int>{4}));
}

}  // namespace
}  // namespace kov::sim

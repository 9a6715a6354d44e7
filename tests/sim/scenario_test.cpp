#include "sim/scenario.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <tuple>

namespace kov::sim {
namespace {

std::string ErrorOf(const std::function<void()>& read) {
    try {
        read();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

// Every key lands in its field; a partial object keeps the defaults of its other keys.
TEST(SimScenario, EveryKeyIsRead) {
    const Scenario s = ParseScenario(R"({
        "seed": 42, "site": {"latitude": -31.25, "longitude": 149.07, "horizon": 10,
                             "temperature": -5, "pressure": 850,
                             "horizonProfile": [{"az": 0, "alt": 12}, {"az": 180, "alt": 4}]},
        "start": {"hourAngle": -2.5, "dec": -45},
        "mountErrors": {"MA": 100, "IH": 1, "ID": 2, "CH": 3, "NP": 4},
        "noise": {"pointing": 0, "solve": 0.5},
        "slew": {"rate": 2, "settle": 5, "meridianLimit": 12},
        "controller": {"refraction": false, "commandSeconds": 0.05},
        "camera": {"pixelScale": 1.2, "rotation": 181, "download": 8, "temperature": -20,
                   "temperatureDrift": 0, "stars": 12},
        "failures": {"images": [3, 5], "regions": [{"ra": 5.5, "dec": -5, "radius": 2}],
                     "rate": 0.02, "clouds": [{"az": 90, "alt": 30, "radius": 15,
                                                "driftAz": -15, "driftAlt": 2}]},
        "missingPrograms": ["CCDSoft.Camera"], "planetariumWindow": null,
        "chooser": "ASCOM.Simulator.Telescope",
        "driver": {"id": "ASCOM.Simulator.Telescope", "name": "Simulator"}
    })");
    EXPECT_EQ(
        std::tuple(s.seed, s.site.latitude, s.horizon, s.startHourAngle, s.mountErrors.MA,
                   s.mountErrors.NP, s.solveNoise, s.settleSeconds, s.cameraRotation,
                   s.starsPerImage, s.failImages, s.failRegions.at(0).ra, s.clouds.at(0).radius,
                   s.missingPrograms, s.planetariumWindowTitle, s.driverName),
        std::tuple(42u, -31.25, 10.0, -2.5, 100.0, 4.0, 0.5, 5.0, 181.0, 12, std::vector<int>{3, 5},
                   5.5, 15.0, std::vector<std::string>{"CCDSoft.Camera"}, "", "Simulator"));
    EXPECT_EQ(
        std::tuple(s.temperature, s.pressure, s.horizonProfile.size(), s.horizonProfile.at(1).alt,
                   s.meridianLimit, s.controllerRefraction, s.commandSeconds, s.solveFailureRate,
                   s.clouds.at(0).driftAz, s.clouds.at(0).driftAlt),
        std::tuple(-5.0, 850.0, std::size_t{2}, 4.0, 12.0, false, 0.05, 0.02, -15.0, 2.0));
    EXPECT_EQ(s.mountErrors.ME, DefaultScenario().mountErrors.ME);
}

TEST(SimScenario, MistakesAreNamed) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"mountError": {}})", "'mountError' is not a scenario key"},
        {R"({"slew": {"rate": "fast"}})", "'slew.rate' must be a number"},
        {R"({"slew": {"rate": 0}})", "'slew.rate' must lie between"},
        {R"({"failures": {"images": [0]}})", "'failures.images[0]'"},
        {R"({"failures": {"clouds": [{"az": 1, "size": 2}]}})", "'failures.clouds[0].size'"},
        {"{\"seed\": ", "not valid JSON"},
        {"[]", "must be an object"},
        {R"({"seed": -1})", "'seed'"},
        {R"({"failures": {"images": [4294967297]}})", "'failures.images[0]' must be an image"},
        {R"({"failures": {"images": [2147483648]}})", "'failures.images[0]' must be an image"},
        {R"({"slew": {"rate": 1e400}})", "'slew.rate' cannot be read"},
        {R"({"site": {"horizonProfile": [{"az": 10, "alt": 90}]}})",
         "'site.horizonProfile[0].alt' must lie between"},
        {R"({"site": {"horizonProfile": [{"az": 10}]}})", "'site.horizonProfile[0]' needs 'alt'"},
        {R"({"seed": 1, "site": {"latitude": 10, "latitude": 20}})",
         "'site.latitude' is given twice"},
        {R"({"controller": {"refraction": 1}})", "'controller.refraction' must be true or false"},
        {R"({"failures": {"rate": 1.5}})", "'failures.rate' must lie between"},
        {R"({"solver": "magic"})", "'solver' must be \"statistical\" or \"astrometry\""},
        {R"({"camera": {"width": 8}})", "'camera.width' must be 16 to 20000 pixels"},
    };
    for (const auto& [json, message] : cases) {
        EXPECT_NE(ErrorOf([&] { ParseScenario(json); }).find(message), std::string::npos) << json;
    }
}

// The example night shipped with the simulator stays readable; every 64-bit seed is one.
TEST(SimScenario, TheShippedExampleAndTheLargestSeedLoad) {
    EXPECT_EQ(ParseScenario(R"({"seed": 18446744073709551615})").seed, 18446744073709551615u);
#ifdef KOV_SOURCE_DIR
    const auto example = std::filesystem::path(KOV_SOURCE_DIR) / "src/sim/scenarios";
#else
    const auto example = std::filesystem::path(__FILE__).parent_path() / "../../src/sim/scenarios";
#endif
    EXPECT_EQ(LoadScenario((example / "cloudy_night.json").string()).failImages,
              (std::vector<int>{4}));
    EXPECT_THROW(LoadScenario((example / "none.json").string()), std::runtime_error);
    EXPECT_EQ(LoadScenario((example / "real_sky.json").string()).solver, "astrometry");
}

}  // namespace
}  // namespace kov::sim

#include "imaging/expose_maxim.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <tuple>

#include "imaging/imaging_station.h"
#include "sim/sim_desktop.h"

namespace kov::test {
namespace {

// A MaxIm DL station, the telescope's own reading as the image link's search position.
struct MaximStation : ImagingStation {
    MaximStation() : ImagingStation(false) {}
    bool expose() {
        const sim::SkyPosition at = sim.reportedPointing();
        const PlateSolution r = ExposeMaxim(st, at.ra, at.dec);
        return !r.bStopped && r.status <= 0;
    }
    int exposures() const { return count("MaximCamera.Expose"); }
};

// The first auto-dark image of the night: a dark frame, the calibration set from its file, the
// light image calibrated, copied, pasted into the planetarium in front, and solved.
TEST(ExposeMaxim, TheFirstAutoDarkImageTakesADarkFrameAndIsSolvedThroughThePlanetarium) {
    MaximStation s;
    ASSERT_TRUE(s.ok);
    s.sim.scriptReading("MaximCamera.Temperature", -10.04);
    EXPECT_TRUE(s.expose());
    EXPECT_EQ(s.st.error.number, 0);
    std::string ops;
    for (const std::string& call : s.calls()) {
        ops += (ops.empty() ? "" : "|") + call.substr(call.find('.') + 1);
    }
    EXPECT_EQ(ops,
              "Application|SetBinX|SetBinY|Temperature|BinX|Temperature|Expose|ImageReady|Document|"
              "SaveFile|Temperature|BinX|CalClear|CalAddDark|CalSet|Expose|ImageReady|Document|"
              "Calibrate|Copy|topLevelWindows|setForegroundWindow|foregroundWindow|keyDown(17)|"
              "keyDown(86)|keyUp(86)|keyUp(17)|ImageLink");
    EXPECT_EQ(s.logLines(), (Lines{"Exposing Dark Frame T=-10.0\u00B0C", "Exposing Light Image "}));
    EXPECT_EQ(s.status().front(), "Exposing Dark Frame T=-10.0\u00B0C");
    // 2 s at 2x2: the first countdown at 400 ms, every 300 ms after.
    EXPECT_EQ(s.status().at(1), "Exposing Dark Frame T=-10.0\u00B0C -- 1.60");
    EXPECT_EQ(s.status().back(), "Exposing Light Image  finished");
    EXPECT_EQ(std::tuple(s.st.imaging.lastDarkTemperature, s.st.imaging.lastDarkExposure,
                         s.st.imaging.lastDarkBin),
              std::tuple(-10.04, 2.0, 2));
    EXPECT_TRUE(std::filesystem::exists(s.folder / "KOVAutoDark.fit"));
    EXPECT_TRUE(s.sim.pastedImageCalibrated());
    EXPECT_TRUE(s.sim.imageLinkInformation().has_value());
    EXPECT_EQ(s.sim.alive("MaximApplication") + s.sim.alive("MaximDocument"), 0);
}

struct DarkCase {
    const char* name;
    bool autoDark;
    double lastTemperature, lastExposure;
    int lastBin;
    double temperature;
    bool darkTaken;
};

// Exposure 2 s, 2x2. A dark frame is taken when the exposure, the bin or (by more than 1 degree)
// the temperature changed; the calibration is rebuilt from the file whenever auto-dark is on.
TEST(ExposeMaxim, WhenADarkFrameIsTaken) {
    const DarkCase cases[] = {
        {"start values", true, 1000000.0, -10000.0, 0, -10.0, true},
        {"nothing changed", true, -10.0, 2.0, 2, -10.0, false},
        {"1.0 degree", true, -10.0, 2.0, 2, -9.0, false},
        {"1.0 degree down", true, -10.0, 2.0, 2, -11.0, false},
        {"1.01 degrees", true, -10.0, 2.0, 2, -8.99, true},
        {"0.0005 s", true, -10.0, 2.0005, 2, -10.0, false},
        {"0.002 s", true, -10.0, 2.002, 2, -10.0, true},
        {"bin", true, -10.0, 2.0, 1, -10.0, true},
        {"auto-dark off", false, 1000000.0, -10000.0, 0, -10.0, false},
    };
    for (const DarkCase& c : cases) {
        SCOPED_TRACE(c.name);
        MaximStation s;
        // An earlier dark frame on disk, as the one the memory describes.
        std::ofstream(s.folder / "KOVAutoDark.fit") << "SIMPLE  =                    T";
        s.st.settings.bAutoDark = c.autoDark ? CheckState::Checked : CheckState::Unchecked;
        s.st.imaging.lastDarkTemperature = c.lastTemperature;
        s.st.imaging.lastDarkExposure = c.lastExposure;
        s.st.imaging.lastDarkBin = c.lastBin;
        s.sim.scriptReading("MaximCamera.Temperature", c.temperature);
        EXPECT_TRUE(s.expose());
        EXPECT_EQ(s.exposures(), c.darkTaken ? 2 : 1);
        EXPECT_EQ(s.called("MaximApplication.CalClear"), c.autoDark);
        EXPECT_EQ(s.called("MaximApplication.CalSet"), c.autoDark);
        EXPECT_EQ(s.called("MaximDocument.Calibrate"), c.autoDark);
        EXPECT_TRUE(s.called("MaximDocument.Copy"));
        EXPECT_EQ(s.sim.pastedImageCalibrated(), c.darkTaken);  // the old file is no dark
        EXPECT_EQ(s.st.imaging.lastDarkTemperature,
                  c.darkTaken ? c.temperature : c.lastTemperature);
        EXPECT_EQ(s.st.imaging.lastDarkBin, c.darkTaken ? 2 : c.lastBin);
    }
}

// The procedure's own failures: shown, logged, status 1, false; nothing is pasted anywhere. The
// image link's own error is the status instead; only a positive one makes the result false.
TEST(ExposeMaxim, FailuresAndImageLinkErrors) {
    using Arrange = std::function<void(MaximStation&)>;
    const Arrange noDocument = [](MaximStation& s) { s.sim.setMaximDocumentMissing(true); };
    const Arrange noWindow = [](MaximStation& s) { s.sim.setPlanetariumWindowTitle(""); };
    const std::tuple<const char*, bool, Arrange, std::int32_t, const char*> cases[] = {
        {"no dark document", true, noDocument, 1,
         "Missing dark frame image! Cannot retrieve image from MaxIm DL"},
        {"no light document", false, noDocument, 1,
         "Missing Image! Cannot retrieve image from MaxIm DL"},
        {"no planetarium window", true, noWindow, 1, "Cannot find MaxIm DL! Cannot do image link"},
        {"window closed since the last search", true,
         [&](MaximStation& s) {
             ASSERT_TRUE(s.expose());
             noWindow(s);
         },
         1, "Cannot find MaxIm DL! Cannot do image link"},
        {"front refused", true, [](MaximStation& s) { s.sim.setForegroundDenied(true); }, 1,
         "Cannot bring TheSky to the front! Cannot do image link"},
        {"link error 651", true, nullptr, 651, nullptr},
        {"link error 1", true, nullptr, 1, nullptr},
        {"link error -2147220991", true, nullptr, -2147220991, nullptr},
        {"link error -1", true, nullptr, -1, nullptr},
    };
    for (const auto& [name, autoDark, arrange, status, message] : cases) {
        SCOPED_TRACE(name);
        MaximStation s;
        s.st.settings.bAutoDark = autoDark ? CheckState::Checked : CheckState::Unchecked;
        if (arrange) {
            arrange(s);
        } else {
            s.sim.failOperation("SkyPlanetarium.ImageLink", AutomationError(status, "link failed"));
        }
        s.mark();
        const ImagingMemory before = s.st.imaging;
        s.st.error.set(7, "left over");
        EXPECT_EQ(s.expose(), status < 0);
        EXPECT_EQ(s.st.error.number, status);
        EXPECT_EQ(s.st.error.description, message ? "" : "link failed");
        if (message) {
            EXPECT_EQ(s.status().back(), message);
            EXPECT_EQ(s.logLines().back(), message);
            EXPECT_FALSE(s.called("Desktop.keyDown(86)") || s.called("SkyPlanetarium.ImageLink"));
        }
        if (std::string(name) == "no dark document") {
            EXPECT_EQ(s.st.imaging.lastDarkTemperature, before.lastDarkTemperature);
        }
    }
}

// The window system may take a moment: the paste waits, yielding, until the planetarium has the
// keyboard, for about a second at most.
TEST(ExposeMaxim, ThePasteWaitsForThePlanetariumToComeToTheFront) {
    for (const int grantedAfter : {0, 3, 9, 11}) {
        SCOPED_TRACE("granted after " + std::to_string(grantedAfter) + " polls");
        MaximStation s;
        s.st.settings.bAutoDark = CheckState::Unchecked;
        s.sim.setForegroundDenied(grantedAfter > 0);
        int asked = 0;
        s.ui.onYield = [&](int) {
            if (s.called("Desktop.setForegroundWindow") && ++asked == grantedAfter) {
                s.sim.setForegroundDenied(false);
            }
        };
        EXPECT_EQ(s.expose(), grantedAfter < 10);
        EXPECT_EQ(s.called("Desktop.keyDown(86)"), grantedAfter < 10);
        EXPECT_EQ(s.sim.foregroundWindow() == sim::SimDesktop::kPlanetariumWindow,
                  grantedAfter < 10);
    }
}

// MaxIm DL's title search: either text, in any case; the first match wins.
TEST(ExposeMaxim, FindPlanetariumWindowMatchesEitherTitleInAnyCase) {
    // clang-format off
    const std::tuple<const char*, bool> cases[] = {
        {"TheSky6 Professional Edition", true}, {"thesky astronomy software", true},
        {"Image - TheSky6", true}, {"TheSky Astronomy", true}, {"TheSky 5", false},
        {"TheSkyX Professional Edition", false}, {"", false}};
    // clang-format on
    for (const auto& [title, found] : cases) {
        SCOPED_TRACE(title);
        MaximStation s;
        s.sim.setPlanetariumWindowTitle(title);
        EXPECT_EQ(FindPlanetariumWindow(s.sim.desktop()),
                  found ? sim::SimDesktop::kPlanetariumWindow : 0);
    }
}

// A stop during the light image aborts it. A stop during a dark frame aborts it too and leaves
// before anything is saved: MaxIm DL's document is still the earlier light image, which must not
// become the dark frame.
TEST(ExposeMaxim, StopsDuringTheExposures) {
    for (const bool duringDark : {true, false}) {
        SCOPED_TRACE(duringDark ? "dark" : "light");
        MaximStation s;
        ASSERT_TRUE(s.expose());
        const double warmer = s.st.imaging.lastDarkTemperature + 2.0;
        s.sim.scriptReading("MaximCamera.Temperature", warmer);
        const ImagingMemory before = s.st.imaging;
        s.mark();
        s.ui.onYield = [&](int) {
            const Lines all = s.calls();
            const bool light = s.exposures() == 2;
            if (!all.empty() && all.back() == "MaximCamera.ImageReady" && light != duringDark) {
                s.st.run.bStop = true;
            }
        };
        EXPECT_FALSE(s.expose());
        EXPECT_TRUE(s.called("MaximCamera.AbortExposure"));
        EXPECT_EQ(s.exposures(), duringDark ? 1 : 2);
        EXPECT_FALSE(s.called("MaximDocument.SaveFile") && duringDark);
        EXPECT_EQ(s.called("MaximApplication.CalSet"), !duringDark);
        EXPECT_EQ(s.st.imaging.lastDarkTemperature,
                  duringDark ? before.lastDarkTemperature : warmer);
        EXPECT_FALSE(s.called("MaximDocument.Copy"));
        EXPECT_EQ(s.st.error.number, 0);
    }
}

}  // namespace
}  // namespace kov::test

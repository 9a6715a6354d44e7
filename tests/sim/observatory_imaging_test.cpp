#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "sim/sim_errors.h"
#include "sim_session.h"

namespace kov::sim::test {
namespace {

namespace fs = std::filesystem;

// A folder of its own for each test, removed afterwards.
struct TempFolder {
    TempFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path = fs::temp_directory_path() /
               (std::string("kov_sim_") + info->test_suite_name() + "_" + info->name());
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    fs::path path;
};

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

double ArcsecBetween(const SkyPosition& a, const SkyPosition& b) {
    return SeparationDegrees(HaDec{a.ra, a.dec}, HaDec{b.ra, b.dec}) * 3600.0;
}

int SolveError(SimSession& s) {
    try {
        s.exposeAndSolve();
    } catch (const AutomationError& e) {
        return e.number();
    }
    return 0;
}

TEST(SimCcdSoft, ExposesOnClockTimeSolvesTheTrueCentreAndSavesFits) {
    TempFolder folder;
    SimSession s;
    s.obs.setWorkingDirectory(folder.path);
    s.camera->SetExposureTime(5.0);
    s.camera->SetBinX(2);
    s.camera->SetBinY(2);
    s.camera->SetAsynchronous(true);
    s.camera->TakeImage();
    EXPECT_NE(s.camera->State(), 0);
    EXPECT_NE(s.camera->Status().find("Exposing"), std::string::npos);
    s.clock.advance(5'100);  // exposed; a 2x2 frame downloads in 0.75 s
    EXPECT_EQ(s.camera->Status(), "Downloading");
    s.clock.advance(700);
    EXPECT_EQ(s.camera->State(), 0);

    auto image = s.obs.factory().createCcdImage(progid::kCcdImage);
    image->AttachToActiveImager();
    image->SetScaleInArcsecondsPerPixel(3.7);
    image->SetPath(".\\KOV_Imagelink.fit");
    image->Save();
    const std::string fits = ReadAll(folder.path / "KOV_Imagelink.fit");
    ASSERT_FALSE(fits.empty());
    EXPECT_EQ(fits.size() % 2880, 0u);
    EXPECT_EQ(fits.substr(0, 30), "SIMPLE  =                    T");
    EXPECT_EQ(fits.substr(80, 30), "BITPIX  =                   16");
    EXPECT_NE(fits.find("END" + std::string(77, ' ')), std::string::npos);

    EXPECT_EQ(image->WCSArrayUpperBound(0), -1);
    image->InsertWCS(0);
    EXPECT_GE(image->WCSArrayUpperBound(0), 10);
    EXPECT_NEAR(image->ScaleInArcsecondsPerPixel(), 2 * 1.85, 0.01);
    EXPECT_NEAR(image->NorthAngle(), 12.5, 0.5);
    s.sky->GetObjectRaDec("Image Link Information");
    EXPECT_LT(ArcsecBetween({s.sky->dObjectRa(), s.sky->dObjectDec()}, s.obs.truePointing()), 10.0);
    // The solved centre is the truth, not where the uncorrected mount thinks it is.
    EXPECT_GT(ArcsecBetween(s.obs.reportedPointing(), s.obs.truePointing()), 120.0);
}

TEST(SimCcdSoft, StateAndAbort) {
    SimSession s;
    EXPECT_EQ(SolveError(s), 0);
    s.camera->SetAsynchronous(true);
    s.camera->TakeImage();
    EXPECT_THROW(s.camera->TakeImage(), AutomationError);  // busy
    s.camera->Abort();
    EXPECT_EQ(s.camera->State(), 0);
    EXPECT_EQ(s.obs.lightImagesTaken(), 2);
    s.camera->Disconnect();
    try {
        s.camera->TakeImage();
        FAIL();
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), kErrCameraNotConnected);
    }
}

TEST(SimPlateSolver, FailsWhereTheSkyGivesNoMatch) {
    Scenario sc;
    sc.failImages = {2};
    SimSession s(sc);
    EXPECT_EQ(SolveError(s), 0);
    const auto first = s.obs.imageLinkInformation();
    EXPECT_EQ(SolveError(s), kErrSolveFailed);  // image 2 of the scenario
    // A failed solution leaves the previous one in place.
    EXPECT_EQ(s.obs.imageLinkInformation()->ra, first->ra);
    EXPECT_EQ(SolveError(s), 0);

    // Under a cloud where the telescope points.
    const SkyPosition t = s.obs.truePointing();
    const AltAz here = ToAltAz(HaDec{s.lst() - t.ra, t.dec}, sc.site.latitude);
    s.obs.addCloud({here.az, here.alt, 3.0});
    EXPECT_EQ(SolveError(s), kErrSolveFailed);
    s.obs.clearClouds();
    EXPECT_EQ(SolveError(s), 0);

    s.obs.failOperation("CcdImage.InsertWCS", AutomationError(-5, "told to fail"));
    EXPECT_EQ(SolveError(s), -5);
}

TEST(SimPlateSolver, FailsInARegionBelowTheHorizonAndAtAWrongScale) {
    Scenario sc;
    sc.failRegions = {{0.0, 0.0, 1.0}};
    SimSession s(sc);
    s.slewToHaDec(1.0, 0.0);
    const double ra = s.obs.truePointing().ra;
    Scenario inRegion = sc;
    inRegion.failRegions = {{ra, 0.0, 2.0}};
    SimSession r(inRegion);
    r.slewToHaDec(1.0, 0.0);
    EXPECT_EQ(SolveError(s), 0);
    EXPECT_EQ(SolveError(r), kErrSolveFailed);

    Scenario low;
    low.startHourAngle = 11.0;  // the night begins with the mount parked low in the north
    low.startDec = -30.0;
    SimSession l(low);
    EXPECT_EQ(SolveError(l), kErrSolveFailed);

    s.camera->SetAsynchronous(false);
    s.camera->TakeImage();  // a blocking exposure is done at once
    auto image = s.obs.factory().createCcdImage(progid::kCcdImage);
    image->AttachToActiveImager();
    image->SetScaleInArcsecondsPerPixel(1.85 * 2);
    EXPECT_THROW(image->InsertWCS(0), AutomationError);
}

TEST(SimMaxim, ExposesCopiesAndSolvesThroughThePlanetariumWindow) {
    TempFolder folder;
    SimSession s;
    s.obs.setWorkingDirectory(folder.path);
    auto app = s.obs.factory().createMaximApplication(progid::kMaxim);
    auto camera = app->CCDCamera();
    EXPECT_THROW(camera->Expose(1.0, 1), AutomationError);  // not linked yet
    camera->SetLinkEnabled(true);
    EXPECT_EQ(camera->Document(), nullptr);

    const double t0 = camera->Temperature();
    camera->Expose(2.0, 0);  // dark frame
    EXPECT_FALSE(camera->ImageReady());
    s.clock.advance(5'100);
    EXPECT_TRUE(camera->ImageReady());
    camera->Document()->SaveFile(".\\KOVAutoDark.fit", 3, false, 1, false);
    app->CalClear();
    EXPECT_THROW(app->CalAddDark("missing.fit"), AutomationError);
    app->CalAddDark(".\\KOVAutoDark.fit");
    app->CalSet();
    EXPECT_EQ(s.obs.lightImagesTaken(), 0);

    camera->Expose(2.0, 1);
    s.clock.advance(6'000);
    ASSERT_TRUE(camera->ImageReady());
    auto document = camera->Document();
    document->Calibrate();
    document->Copy();

    // Nothing pasted yet: the image link has nothing to solve.
    const SkyPosition told = s.obs.reportedPointing();
    EXPECT_THROW(s.sky->ImageLink(1.85, told.ra, told.dec), AutomationError);
    Desktop& desk = s.obs.desktop();
    WindowHandle planetarium = 0;
    for (const TopLevelWindow& w : desk.topLevelWindows()) {
        if (w.title.find("TheSky6") != std::string::npos) {
            planetarium = w.handle;
        }
    }
    ASSERT_NE(planetarium, 0u);
    desk.setForegroundWindow(planetarium);
    desk.keyDown(kVkControl);
    desk.keyDown(kVkV);
    desk.keyUp(kVkV);
    desk.keyUp(kVkControl);
    ASSERT_TRUE(s.obs.planetariumHoldsPastedImage());
    s.sky->ImageLink(1.85, told.ra, told.dec);
    s.sky->GetObjectRaDec("Image Link Information");
    EXPECT_LT(ArcsecBetween({s.sky->dObjectRa(), s.sky->dObjectDec()}, s.obs.truePointing()), 10.0);
    EXPECT_THROW(s.sky->GetObjectRaDec("Polaris"), AutomationError);

    // The sensor drifts slowly: a fraction of a degree over these seconds.
    EXPECT_NEAR(camera->Temperature(), t0, 0.2);
    s.clock.advance(3'600'000);
    EXPECT_GT(std::fabs(camera->Temperature() - t0), 0.3);

    // With the planetarium closed there is no window to paste into.
    s.obs.setPlanetariumWindowTitle("");
    for (const TopLevelWindow& w : desk.topLevelWindows()) {
        EXPECT_EQ(w.title.find("TheSky"), std::string::npos);
    }
    document.reset();
    camera.reset();
    app.reset();
    EXPECT_EQ(s.obs.alive("MaximDocument") + s.obs.alive("MaximCamera"), 0);
}

}  // namespace
}  // namespace kov::sim::test

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "sim/fits_file.h"
#include "sim/sim_errors.h"
#include "sim_session.h"

namespace kov::sim::test {
namespace {

// How far the image link's last solution lies from where the optics really point, arc seconds.
double SolutionMiss(SimSession& s) {
    const SkyPosition solved = *s.obs.imageLinkInformation(), t = s.obs.truePointing();
    return SeparationDegrees(HaDec{solved.ra, solved.dec}, HaDec{t.ra, t.dec}) * 3600;
}

int SolveError(SimSession& s) {
    return ErrorNumber([&] { s.exposeAndSolve(); });
}

TEST(SimCcdSoft, ExposesOnClockTimeAndSolvesTheTrueCentre) {
    SimSession s;
    s.camera->SetExposureTime(5.0);
    s.camera->SetBinX(2);
    s.camera->SetBinY(2);
    s.camera->SetAsynchronous(true);
    s.camera->TakeImage();
    EXPECT_NE(s.camera->Status().find("Exposing"), std::string::npos);
    EXPECT_THROW(s.camera->TakeImage(), AutomationError);  // busy
    s.clock.advance(5'100);  // exposed; a 2x2 frame downloads in 0.75 s
    EXPECT_EQ(s.camera->Status(), "Downloading");
    s.clock.advance(700);
    EXPECT_EQ(s.camera->State(), 0);

    auto image = s.obs.factory().createCcdImage(progid::kCcdImage);
    image->AttachToActiveImager();
    image->SetScaleInArcsecondsPerPixel(1.85);  // the unbinned scale finds no match
    EXPECT_THROW(image->InsertWCS(0), AutomationError);
    EXPECT_EQ(image->WCSArrayUpperBound(0), -1);
    image->SetScaleInArcsecondsPerPixel(3.7);
    image->InsertWCS(0);
    EXPECT_GE(image->WCSArrayUpperBound(0), 10);
    EXPECT_LT(SolutionMiss(s), 10.0);
    // The solved centre is the truth, not where the uncorrected mount thinks it is.
    EXPECT_GT(s.obs.pointingErrorArcsec(), 120.0);

    s.camera->TakeImage();
    s.camera->Abort();
    EXPECT_EQ(s.camera->State(), 0);
    EXPECT_EQ(s.obs.lightImagesTaken(), 2);
    s.camera->Disconnect();
    EXPECT_EQ(ErrorNumber([&] { s.camera->TakeImage(); }), kErrCameraNotConnected);
}

// The last image number of any night seeds its stars without overflow, and a value FITS cannot
// hold is written as its own "undefined" (a blank value), never as INF or NAN.
TEST(SimFits, NumbersAtTheirEdgesMakeValidCards) {
    ImageRecord image;
    image.number = std::numeric_limits<int>::max();
    image.exposure = HUGE_VAL;
    image.temperature = std::nan("");
    const std::string fits = FitsFileBytes(image, std::nullopt, 1.85);
    const std::string header = fits.substr(0, fits.find("END" + std::string(77, ' ')));
    EXPECT_EQ(fits.size() % 2880, 0u);
    EXPECT_EQ(fits.rfind("SIMPLE  =                    T", 0), 0u);
    EXPECT_LT(header.size(), fits.size());  // the END card is there
    for (const char* bad : {"INF", "NAN", "inf", "nan"}) {
        EXPECT_EQ(header.find(bad), std::string::npos) << bad;
    }
    EXPECT_NE(header.find("EXPTIME = " + std::string(20, ' ') + " / seconds"), std::string::npos);
}

// A failed solution leaves the previous one in place, as a real program would.
TEST(SimPlateSolver, FailsBelowTheHorizonInRegionsAndCloudsOnGivenImagesAndWhenTold) {
    Scenario sc;
    sc.startHourAngle = 11.0;  // the night begins with the mount parked low in the north
    sc.startDec = -30.0;
    sc.failImages = {4};
    sc.failRegions = {{WrapHours(SimSession().lst() - 1.0), 0.0, 2.0}};
    SimSession s(sc);
    EXPECT_EQ(SolveError(s), kErrSolveFailed);
    s.slewToHaDec(1.0, 0.0);  // into the region
    EXPECT_EQ(SolveError(s), kErrSolveFailed);
    s.slewToHaDec(-1.0, 0.0);
    EXPECT_EQ(SolveError(s), 0);
    const double ra = s.obs.imageLinkInformation()->ra;
    EXPECT_EQ(SolveError(s), kErrSolveFailed);  // image 4 of the scenario
    EXPECT_EQ(s.obs.imageLinkInformation()->ra, ra);

    // Under a cloud where the telescope points.
    s.tele->GetAzAlt();
    s.obs.addCloud({s.tele->dAz(), s.tele->dAlt(), 3.0});
    EXPECT_EQ(SolveError(s), kErrSolveFailed);
    s.obs.clearClouds();
    EXPECT_EQ(SolveError(s), 0);
    s.obs.failOperation("CcdImage.InsertWCS", AutomationError(-5, "told to fail"));
    EXPECT_EQ(SolveError(s), -5);
}

// MaxIm DL exposes only when linked, and the image link solves only what was pasted into the
// planetarium (the imaging tests take the rest of MaxIm DL through the simulator).
TEST(SimMaxim, ExposesOnlyLinkedAndTheImageLinkNeedsAPaste) {
    SimSession s;
    auto camera = s.obs.factory().createMaximApplication(progid::kMaxim)->CCDCamera();
    EXPECT_THROW(camera->Expose(1.0, 1), AutomationError);
    camera->SetLinkEnabled(true);
    camera->Expose(2.0, 1);
    s.clock.advance(6'000);
    ASSERT_TRUE(camera->ImageReady());
    camera->Document()->Copy();
    const SkyPosition told = s.obs.reportedPointing();
    EXPECT_THROW(s.sky->ImageLink(1.85, told.ra, told.dec), AutomationError);
}

}  // namespace
}  // namespace kov::sim::test

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "sim/fits_file.h"
#include "sim/sim_errors.h"
#include "sim_session.h"

namespace kov::sim::test {
namespace {

int SolveError(SimSession& s) {
    return ErrorNumber([&] { s.exposeAndSolve(); });
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

}  // namespace
}  // namespace kov::sim::test

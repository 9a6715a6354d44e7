#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <tuple>

#include "sim/plate_solver.h"
#include "sim/sim_errors.h"
#include "sim/sim_world.h"
#include "sim_session.h"

namespace kov::sim::test {
namespace {

// Seconds of virtual time a call takes.
double SecondsOf(SimSession& s, const std::function<void()>& call) {
    const std::uint64_t before = s.clock.sleptMs;
    call();
    return static_cast<double>(s.clock.sleptMs - before) / 1000.0;
}

// The mount follows the sky up to 5 degrees past the meridian and swings over to the other side
// of the pier when a slew needs it; the swing takes its time and the camera turns with the tube.
TEST(SimPierSide, SlewsPastTheMeridianLimitFlipAndTheImageTurns) {
    // Hour angle, declination, side after it, solved north angle, the slew's seconds.
    const std::tuple<double, double, PierSide, double, double, double> slews[] = {
        {-0.3, 30.0, PierSide::East, 12.5, 2.0, 12.0},    // 4.5 degrees east: stays
        {-2.0, 30.0, PierSide::West, 192.5, 40.0, 60.0},  // flips: half a turn less 1.7 h
        {0.3, 35.0, PierSide::West, 192.5, 2.0, 12.0},    // 4.5 degrees west: stays
        {2.0, 40.0, PierSide::East, 12.5, 40.0, 60.0},    // flips back
    };
    SimSession s;
    s.camera->SetAsynchronous(false);
    EXPECT_EQ(s.obs.pierSide(), PierSide::East);  // the night begins half an hour west
    for (const auto& [ha, dec, side, northAngle, minSeconds, maxSeconds] : slews) {
        SCOPED_TRACE(ha);
        const double seconds = SecondsOf(s, [&] { s.slewToHaDec(ha, dec); });
        EXPECT_GE(seconds, minSeconds);
        EXPECT_LE(seconds, maxSeconds);
        EXPECT_EQ(s.obs.pierSide(), side);
        EXPECT_LT(s.obs.pointingErrorArcsec(), 900.0);  // the model is empty, the errors real
        s.camera->SetExposureTime(2.0);                 // and 3 s of download
        EXPECT_NEAR(SecondsOf(s, [&] { s.camera->TakeImage(); }), 5.0, 0.005);
        auto image = s.obs.factory().createCcdImage(progid::kCcdImage);
        image->AttachToActiveImager();
        // A solution takes 1 s plus a tenth of a second for each matched star.
        const double solving = SecondsOf(s, [&] { image->InsertWCS(0); });
        EXPECT_NEAR(solving, 1.0 + static_cast<double>(image->WCSArrayUpperBound(0)) / 10.0, 0.005);
        EXPECT_NEAR(image->NorthAngle(), northAngle, 0.2);
    }
}

// What the camera sees is lifted by the air. With the controller's correction off the mount aims
// at the catalogue position, so the stars at the centre of the field sit lower by the refraction
// (Bennett at 10 degrees: cot(10 + 7.31 / 14.4 degrees) = 5.3915'); with it on, the controller
// aims higher by just that much.
TEST(SimRefraction, LowPointsAreSeenWhereBennettPutsThem) {
    EXPECT_NEAR(BennettRefraction(10.0, -10.0, 900.0) * 60.0,
                5.3915 * (900.0 / 1010.0) * (283.0 / 263.0), 0.001);
    for (const bool corrected : {false, true}) {
        Scenario sc;
        sc.mountErrors = {};
        sc.pointingNoise = 0.0;
        sc.controllerRefraction = corrected;
        SimSession s(sc);
        s.tele->SetAsynchronous(false);
        s.tele->SlewToAzAlt(200.0, 10.0, "KovSkyMapper");
        s.tele->GetAzAlt();
        const SkyPosition seen = s.obs.truePointing();
        const double seenAlt =
            ToAltAz({WrapSignedHours(s.lst() - seen.ra), seen.dec}, sc.site.latitude).alt;
        EXPECT_NEAR((s.tele->dAlt() - seenAlt) * 60.0, corrected ? 0.0 : 5.3915, 0.1) << corrected;
    }
}

// The horizon by azimuth, joined by straight lines round the circle, never below the flat one.
TEST(SimHorizon, ProfileByAzimuthLimitsTheSlews) {
    Scenario sc;
    sc.horizon = 8.0;
    sc.horizonProfile = {{270.0, 30.0}, {0.0, 10.0}, {90.0, 20.0}, {180.0, 0.0}};
    SimSession s(sc);
    const SimWorld world(sc, s.clock);
    const std::tuple<double, double> heights[] = {
        {0.0, 10.0}, {45.0, 15.0}, {135.0, 10.0}, {170.0, 8.0}, {315.0, 20.0}, {360.0, 10.0},
    };
    for (const auto& [az, alt] : heights) {
        EXPECT_NEAR(world.horizonAt(az), alt, 1e-9) << az;
    }
    s.tele->SetAsynchronous(false);
    EXPECT_EQ(ErrorNumber([&] { s.tele->SlewToAzAlt(280.0, 25.0, "KovSkyMapper"); }),
              kErrBelowHorizon);  // behind the trees in the west
    EXPECT_EQ(ErrorNumber([&] { s.tele->SlewToAzAlt(200.0, 12.0, "KovSkyMapper"); }), 0);
}

}  // namespace
}  // namespace kov::sim::test

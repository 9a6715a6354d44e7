#include <gtest/gtest.h>

#include "sim/sim_errors.h"
#include "sim_session.h"

namespace kov::sim::test {
namespace {

// Only one client holds the mount: the driver gets it once TheSky lets go, and answers the
// command texts as the controller does; injections are used up.
TEST(SimGeminiDriver, HoldsTheMountAloneAndRepliesAsTheControllerDoes) {
    SimSession s;
    auto driver = s.obs.factory().createAscomTelescope(progid::kGemini);
    driver->SetConnected(true);
    EXPECT_FALSE(driver->Connected());  // TheSky holds the port
    EXPECT_EQ(ErrorNumber([&] { driver->CommandNative("<201:"); }), kErrAscomNotConnected);
    s.sky->DisconnectTelescope();
    driver->SetConnected(true);
    EXPECT_TRUE(driver->Connected());
    EXPECT_EQ(s.tele->IsConnected(), 0);
    EXPECT_EQ(ErrorNumber([&] { s.tele->Connect(); }), kErrPortInUse);
    EXPECT_EQ(ErrorNumber([&] { s.tele->GetRaDec(); }), kErrTelescopeNotConnected);

    // An injected reply is used up by the command it answers, a counted failure after its count.
    s.obs.replyToCommand("<201:", "Error");
    EXPECT_EQ(driver->CommandNative("<201:"), "Error");
    EXPECT_EQ(driver->CommandNative("<201:"), "0");
    s.obs.failOperation("AscomTelescope.Name", AutomationError(91, "gone"), 2);
    EXPECT_EQ(ErrorNumber([&] { driver->Name(); }) + ErrorNumber([&] { driver->Name(); }), 182);
    EXPECT_EQ(driver->Name(), "Gemini");  // a counted failure is used up too

    driver->SetConnected(false);
    s.tele->Connect();
    EXPECT_EQ(s.tele->IsConnected(), 1);
}

TEST(SimSlews, TakeClockTimeAndRespectTheHorizon) {
    SimSession s;
    const double lst = s.lst();
    s.tele->SetAsynchronous(true);
    s.tele->SlewToRaDec(WrapHours(lst + 3.0), 40.0, "KovSkyMapper");
    // From 0.5h west to 3h east is past the meridian limit: the tube swings over to the west
    // side of the pier. The hour angle axis turns 12h - 3.5h = 127.5 degrees and the declination
    // axis from 20 over the pole to 140 degrees, at 4 degrees a second, then 2 s to settle.
    s.clock.advance(33'800);
    EXPECT_EQ(s.tele->IsSlewComplete(), 0);
    s.clock.advance(100);
    EXPECT_EQ(s.tele->IsSlewComplete(), 1);
    EXPECT_EQ(s.obs.pierSide(), PierSide::West);
    // To within the change of the refraction while the sky turned during the slew.
    s.tele->GetRaDec();
    EXPECT_NEAR(s.tele->dRA(), WrapHours(lst + 3.0), 1e-5);
    EXPECT_NEAR(s.tele->dDec(), 40.0, 2e-4);

    // A declination folded into 0 to 360 degrees is the same place.
    s.slewToHaDec(0.0, 350.0);
    s.tele->GetRaDec();
    EXPECT_NEAR(s.tele->dDec(), -10.0, 1e-6);
    s.tele->GetAzAlt();
    EXPECT_NEAR(s.tele->dAz(), 180.0, 0.1);
    EXPECT_NEAR(s.tele->dAlt(), 90.0 - 47.5 - 10.0, 0.1);

    const double ra = s.lst();
    EXPECT_EQ(ErrorNumber([&] { s.tele->SlewToRaDec(ra, -60.0, "KovSkyMapper"); }),
              kErrBelowHorizon);
    EXPECT_EQ(ErrorNumber([&] { s.tele->SlewToRaDec(ra, 120.0, "KovSkyMapper"); }),
              kErrBadCoordinates);
    // A position in altitude and azimuth is the sky position there when the slew is asked for;
    // the sky turns on while the mount travels.
    const HaDec asked = FromAltAz({90.0, 30.0}, s.obs.scenario().site.latitude);
    const double askedRa = WrapHours(s.lst() - asked.ha);
    s.tele->SlewToAzAlt(90.0, 30.0, "KovSkyMapper");
    s.tele->GetRaDec();
    EXPECT_NEAR(s.tele->dRA(), askedRa, 1e-5);
    EXPECT_NEAR(s.tele->dDec(), asked.dec, 2e-4);
}

}  // namespace
}  // namespace kov::sim::test

#include <gtest/gtest.h>

#include "sim/sim_errors.h"
#include "sim_session.h"

namespace kov::sim::test {
namespace {

int ErrorNumber(const std::function<void()>& call) {
    try {
        call();
    } catch (const AutomationError& e) {
        return e.number();
    }
    return 0;
}

TEST(SimFactory, RegistersEveryProgramAndNamesTheUnknown) {
    kov::test::VirtualClock clock;
    Scenario sc;
    sc.driverId = "ASCOM.Gemini2.Telescope";
    Observatory obs(sc, clock);
    ObjectFactory& f = obs.factory();
    EXPECT_NE(f.createPlanetarium(progid::kTheSky5), nullptr);
    EXPECT_NE(f.createPlanetarium(progid::kTheSky6), nullptr);
    EXPECT_NE(f.createSkyTelescope(progid::kTele5), nullptr);
    EXPECT_NE(f.createSkyTelescope("theSKY6.rascomtele"), nullptr);  // case does not matter
    EXPECT_NE(f.createCcdCamera(progid::kCcdCamera), nullptr);
    EXPECT_NE(f.createCcdImage(progid::kCcdImage), nullptr);
    EXPECT_NE(f.createMaximApplication(progid::kMaxim), nullptr);
    EXPECT_NE(f.createAscomTelescope(progid::kGemini), nullptr);
    EXPECT_NE(f.createAscomTelescope("ASCOM.Gemini2.Telescope"), nullptr);
    EXPECT_NE(f.createChooser(progid::kChooser), nullptr);
    auto util = f.createDriverUtil(progid::kUtil);
    EXPECT_EQ(util->HoursToHMS(9.4367290317, ":", ":", ""), "09:26:12");
    EXPECT_EQ(obs.aliveTotal(), 1);  // only the utility is still held

    try {
        f.createAscomTelescope("Celestron.Telescope");
        FAIL();
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), kErrCannotCreate);
        EXPECT_NE(e.description().find("Celestron.Telescope"), std::string::npos);
    }
    // An identifier of another kind of object is no telescope driver.
    EXPECT_EQ(ErrorNumber([&] { f.createAscomTelescope(progid::kCcdCamera); }), 429);
}

TEST(SimFactory, MissingProgramsRaise429FromScenarioAndAtRunTime) {
    kov::test::VirtualClock clock;
    Scenario sc;
    sc.missingPrograms = {"theSky6.RASCOMTheSky", "Maxim.Application"};
    Observatory obs(sc, clock);
    EXPECT_EQ(ErrorNumber([&] { obs.factory().createPlanetarium(progid::kTheSky6); }), 429);
    EXPECT_EQ(ErrorNumber([&] { obs.factory().createMaximApplication(progid::kMaxim); }), 429);
    EXPECT_EQ(ErrorNumber([&] { obs.factory().createPlanetarium(progid::kTheSky5); }), 0);
    obs.setProgramMissing(progid::kGemini);
    EXPECT_EQ(ErrorNumber([&] { obs.factory().createAscomTelescope(progid::kGemini); }), 429);
    obs.setProgramMissing(progid::kGemini, false);
    EXPECT_EQ(ErrorNumber([&] { obs.factory().createAscomTelescope(progid::kGemini); }), 0);
    // Without MaxIm DL its window is gone from the desktop too.
    for (const TopLevelWindow& w : obs.desktop().topLevelWindows()) {
        EXPECT_EQ(w.title.find("MaxIm"), std::string::npos);
    }
}

TEST(SimMountHold, OnlyOneClientHoldsTheMount) {
    SimSession s;
    auto driver = s.obs.factory().createAscomTelescope(progid::kGemini);
    driver->SetConnected(true);
    EXPECT_FALSE(driver->Connected());  // TheSky holds the port
    EXPECT_EQ(ErrorNumber([&] { driver->CommandNative("<201:"); }), kErrAscomNotConnected);

    s.sky->DisconnectTelescope();
    driver->SetConnected(true);
    EXPECT_TRUE(driver->Connected());
    EXPECT_EQ(s.obs.portHolder(), PortHolder::Driver);
    EXPECT_EQ(s.tele->IsConnected(), 0);
    EXPECT_EQ(ErrorNumber([&] { s.tele->Connect(); }), kErrPortInUse);
    EXPECT_EQ(ErrorNumber([&] { s.tele->GetRaDec(); }), kErrTelescopeNotConnected);

    driver->SetConnected(false);
    s.tele->Connect();
    EXPECT_EQ(s.tele->IsConnected(), 1);

    // Releasing a connected driver object lets go of the port as well.
    s.tele->Disconnect();
    driver->SetConnected(true);
    driver.reset();
    EXPECT_EQ(s.obs.portHolder(), PortHolder::None);
}

TEST(SimGeminiCommands, RepliesAsTheControllerDoes) {
    SimSession s;
    s.sky->DisconnectTelescope();
    auto driver = s.obs.factory().createAscomTelescope(progid::kGemini);
    driver->SetConnected(true);
    EXPECT_EQ(driver->Name(), "Gemini");
    EXPECT_EQ(driver->CommandNative("<201:"), "0");
    EXPECT_EQ(driver->CommandNative("<202:"), "0");
    EXPECT_EQ(driver->CommandNative("<999:"), "#");
    EXPECT_EQ(driver->CommandString("XY"), "#");
    EXPECT_FALSE(driver->CommandBool("Srgarbage"));
    EXPECT_FALSE(driver->CommandBool("Sd95:00:00"));
    // Without a target a sync has nothing to match and changes nothing.
    EXPECT_EQ(driver->CommandString("CM"), "No object!#");
    EXPECT_TRUE(driver->CommandBool("Sr09:26:12"));
    EXPECT_TRUE(driver->CommandBool("Sd-05:30:00"));
    driver->CommandString("CM");
    EXPECT_NE(s.obs.controllerModel().IH, 0.0);

    ASSERT_GE(s.obs.commandLog().size(), 9u);
    EXPECT_EQ(s.obs.commandLog().back().command, "CM");
    EXPECT_EQ(s.obs.commandLog()[2].reply, "#");
}

TEST(SimGeminiCommands, ScriptedRepliesAndFailures) {
    SimSession s;
    s.obs.replyToCommand("<201:", "Error");
    s.obs.failCommand("CM", AutomationError(-2147220992, "Gemini did not answer"));
    s.obs.failOperation("SkyPlanetarium.DisconnectTelescope", AutomationError(91, "gone"), 2);
    EXPECT_EQ(ErrorNumber([&] { s.sky->DisconnectTelescope(); }), 91);
    EXPECT_EQ(ErrorNumber([&] { s.sky->DisconnectTelescope(); }), 91);
    s.sky->DisconnectTelescope();  // used up after two

    auto driver = s.obs.factory().createAscomTelescope(progid::kGemini);
    driver->SetConnected(true);
    EXPECT_EQ(driver->CommandNative("<201:"), "Error");
    EXPECT_EQ(driver->CommandNative("<201:"), "0");
    driver->CommandBool("Sr01:00:00");
    driver->CommandBool("Sd10:00:00");
    EXPECT_EQ(ErrorNumber([&] { driver->CommandString("CM"); }), -2147220992);
    EXPECT_EQ(s.obs.controllerModel().IH, 0.0);
}

TEST(SimSlews, TakeClockTimeAndRespectTheHorizon) {
    SimSession s;
    const double lst = s.lst();
    s.tele->SetAsynchronous(true);
    s.tele->SlewToRaDec(WrapHours(lst + 3.0), 40.0, "KovSkyMapper");
    EXPECT_EQ(s.tele->IsSlewComplete(), 0);
    // From 0.5h west to 3h east: 52.5 degrees at 4 degrees a second, then 2 s to settle.
    s.clock.advance(15'000);
    EXPECT_EQ(s.tele->IsSlewComplete(), 0);
    s.clock.advance(200);
    EXPECT_EQ(s.tele->IsSlewComplete(), 1);
    s.tele->GetRaDec();
    EXPECT_NEAR(s.tele->dRA(), WrapHours(lst + 3.0), 1e-6);
    EXPECT_NEAR(s.tele->dDec(), 40.0, 1e-6);

    // A declination folded into 0 to 360 degrees is the same place.
    s.tele->SetAsynchronous(false);
    s.tele->SlewToRaDec(s.lst(), 350.0, "KovSkyMapper");
    s.tele->GetRaDec();
    EXPECT_NEAR(s.tele->dDec(), -10.0, 1e-6);
    s.tele->GetAzAlt();
    EXPECT_NEAR(s.tele->dAz(), 180.0, 0.1);
    EXPECT_NEAR(s.tele->dAlt(), 90.0 - 47.5 - 10.0, 0.1);

    const double ra = s.lst();
    EXPECT_EQ(ErrorNumber([&] { s.tele->SlewToRaDec(ra, -60.0, "KovSkyMapper"); }),
              kErrBelowHorizon);
    EXPECT_EQ(ErrorNumber([&] { s.tele->SlewToAzAlt(90.0, -5.0, "KovSkyMapper"); }),
              kErrBelowHorizon);
    EXPECT_EQ(ErrorNumber([&] { s.tele->SlewToRaDec(ra, 120.0, "KovSkyMapper"); }),
              kErrBadCoordinates);
    s.tele->SlewToAzAlt(90.0, 30.0, "KovSkyMapper");
    s.tele->GetAzAlt();
    EXPECT_NEAR(s.tele->dAz(), 90.0, 1e-6);
    EXPECT_NEAR(s.tele->dAlt(), 30.0, 1e-6);
}

TEST(SimChooser, AnswersWithTheScenarioChoice) {
    kov::test::VirtualClock clock;
    Scenario sc;
    sc.chooserAnswer = "";  // the operator cancelled
    Observatory obs(sc, clock);
    auto chooser = obs.factory().createChooser(progid::kChooser);
    chooser->SetDeviceType("Telescope");
    EXPECT_EQ(chooser->Choose(progid::kGemini), "");
    EXPECT_EQ(obs.alive("Chooser"), 1);
    chooser.reset();
    EXPECT_EQ(obs.alive("Chooser"), 0);
}

}  // namespace
}  // namespace kov::sim::test

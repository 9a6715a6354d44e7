#include "model/device_objects.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/sim_station.h"

namespace kov::test {
namespace {

// Any failure ends the procedure; the box after a failed creation drops "trying to".
TEST(DeviceObjects, EachFailureIsLoggedAndShownWithItsStep) {
    const std::tuple<bool, bool, std::string, std::string, bool> cases[] = {
        {false, true, "create TheSky6.RASCOMTheSky", "Starting TheSky 6", true},
        {true, true, "create TheSky.RASCOMTele", "Starting SkyTelescope 5", true},
        {false, true, "create TheSky6.RASCOMTele", "Starting SkyTelescope 6", true},
        {true, true, "create CCDSoft.Camera", "Starting Camera", true},
        {true, false, "MaximApplication.CCDCamera", "Starting Camera", true},
        {true, true, "SkyPlanetarium.Connect", "Connect to TheSky", false},
        {true, true, "SkyTelescope.Connect", "Connect to TheTelescope", false},
        {true, true, "CcdCamera.Connect", "Connect to CCDSoft", false},
        {true, false, "MaximCamera.SetLinkEnabled", "Connect to MaxIm DL", false},
    };
    for (const auto& [bSky5, bCCDSoft, failing, step, bCreate] : cases) {
        SCOPED_TRACE(failing);
        SimStation s;
        s.st.settings.OptionSky5 = bSky5;
        s.st.settings.bCCDSoft = bCCDSoft;
        s.sim.failOperation(failing, AutomationError(-5, "it is not there"));
        EXPECT_FALSE(CreateObjects(s.st) && ConnectObjects(s.st));
        EXPECT_EQ(s.sim.callLog().back(), failing);
        EXPECT_EQ(s.st.error.number, -5);
        EXPECT_EQ(s.ui.windowCalls, (Calls{"foreground", "raise"}));
        EXPECT_TRUE(s.logged("Error while trying to " + step + "\r\nit is not there"));
        EXPECT_FALSE(s.logged(bCreate ? "Done" : "Done!"));
        const std::string lead = bCreate ? "Error while " : "Error while trying to ";
        EXPECT_EQ(s.shown(), Calls{"KOV - ERROR: " + lead + step + "\r\nit is not there"});
        EXPECT_EQ(std::pair(s.ui.boxes.at(0).buttons, s.ui.boxes.at(0).icon),
                  std::pair(Buttons::Ok, Icon::Critical));
    }
}

// A failed start after a change of programs never leaves objects of two starts side by side
// (a TheSky 6 telescope handing the mount to a TheSky 5 planetarium): a new planetarium begins a
// new set, so the fields hold the earlier set whole or only objects of the programs now chosen.
TEST(DeviceObjects, AFailedStartAfterASwitchOfProgramsKeepsNoObjectOfTheOthers) {
    const std::pair<const char*, std::string> cases[] = {
        {"create TheSky.RASCOMTheSky", "SkyPlanetarium SkyTelescope MaximCamera "},
        {"create TheSky.RASCOMTele", "SkyPlanetarium "},
        {"create CCDSoft.Camera", "SkyPlanetarium SkyTelescope "},
    };
    const auto alive = [](const SimStation& s) {
        std::string kinds;
        for (const char* kind : {"SkyPlanetarium", "SkyTelescope", "CcdCamera", "MaximCamera"}) {
            kinds += s.sim.alive(kind) > 0 ? kind + std::string(" ") : "";
        }
        return kinds;
    };
    for (const auto& [failing, kinds] : cases) {
        SCOPED_TRACE(failing);
        SimStation s;
        s.st.settings.OptionSky5 = false;
        s.st.settings.bCCDSoft = false;
        ASSERT_TRUE(CreateObjects(s.st));
        s.st.settings.OptionSky5 = true;
        s.st.settings.bCCDSoft = true;
        s.sim.failOperation(failing, AutomationError(-5, "it is not there"));
        EXPECT_FALSE(CreateObjects(s.st));
        EXPECT_EQ(alive(s), kinds);
        s.mark();
        EXPECT_TRUE(CreateObjects(s.st) && ConnectObjects(s.st));
        EXPECT_EQ(alive(s), "SkyPlanetarium SkyTelescope CcdCamera ");
        EXPECT_EQ(s.calls().at(1), "create TheSky.RASCOMTele");
    }
}

}  // namespace
}  // namespace kov::test

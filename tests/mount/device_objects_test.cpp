#include "mount/device_objects.h"

#include <gtest/gtest.h>

#include "support/fake_devices.h"

namespace kov::test {
namespace {

using Calls = std::vector<std::string>;

bool Logged(const Station& st, const std::string& text) {
    return st.log.text().find("  " + text + "\r\n") != std::string::npos;
}

TEST(DeviceObjects, TheSky5WithCCDSoftCreatesConnectsAndLetsGoInOrder) {
    FakeBench b;
    ASSERT_TRUE(CreateObjects(b.st));
    ASSERT_TRUE(ConnectObjects(b.st));
    b.st.devices.ascom = b.objects.createAscomTelescope("Gemini.Telescope");  // left behind
    DisconnectObjects(b.st);
    DeleteObjects(b.st);
    EXPECT_EQ(
        b.objects.calls(),
        (Calls{"create TheSky.RASCOMTheSky", "create TheSky.RASCOMTele", "create CCDSoft.Camera",
               "TheSky.RASCOMTheSky.Connect", "TheSky.RASCOMTele.Connect", "CCDSoft.Camera.Connect",
               "create Gemini.Telescope", "TheSky.RASCOMTheSky.Disconnect",
               "CCDSoft.Camera.Disconnect", "Gemini.Telescope.Connected = false",
               "release Gemini.Telescope", "release TheSky.RASCOMTheSky",
               "release TheSky.RASCOMTele", "release CCDSoft.Camera"}));
    for (const char* line :
         {"Starting TheSky, CCDSoft", "Done", "Connecting to TheSky and Camera", "Done!"}) {
        EXPECT_TRUE(Logged(b.st, line)) << line;
    }
    EXPECT_TRUE(b.ui.boxes.empty());
}

TEST(DeviceObjects, TheSky6WithMaximKeepsOnlyTheCameraAndUsesItsLink) {
    FakeBench b;
    b.st.settings.OptionSky5 = false;
    b.st.settings.bCCDSoft = false;
    ASSERT_TRUE(CreateObjects(b.st));
    EXPECT_TRUE(b.objects.lastMaximApplication.expired());
    ASSERT_TRUE(ConnectObjects(b.st));
    DisconnectObjects(b.st);
    EXPECT_EQ(b.objects.calls(),
              (Calls{"create TheSky6.RASCOMTheSky", "create TheSky6.RASCOMTele",
                     "create Maxim.Application", "Maxim.Application.CCDCamera",
                     "release Maxim.Application", "TheSky6.RASCOMTheSky.Connect",
                     "TheSky6.RASCOMTele.Connect", "Maxim.CCDCamera.LinkEnabled = true",
                     "TheSky6.RASCOMTheSky.Disconnect", "Maxim.CCDCamera.LinkEnabled = false"}));
    EXPECT_TRUE(Logged(b.st, "Starting TheSky, CCDSoft"));
}

TEST(DeviceObjects, EachFailureIsLoggedAndShownWithItsStep) {
    struct Case {
        bool bSky5, bCCDSoft;
        std::string failing, step;
        bool bCreate;  // a failure of CreateObjects rather than ConnectObjects
    };
    const Case cases[] = {
        {false, true, "create TheSky6.RASCOMTheSky", "Starting TheSky 6", true},
        {true, true, "create TheSky.RASCOMTele", "Starting SkyTelescope 5", true},
        {false, true, "create TheSky6.RASCOMTele", "Starting SkyTelescope 6", true},
        {true, true, "create CCDSoft.Camera", "Starting Camera", true},
        {true, false, "Maxim.Application.CCDCamera", "Starting Camera", true},
        {true, true, "TheSky.RASCOMTheSky.Connect", "Connect to TheSky", false},
        {true, true, "TheSky.RASCOMTele.Connect", "Connect to TheTelescope", false},
        {true, true, "CCDSoft.Camera.Connect", "Connect to CCDSoft", false},
        {true, false, "Maxim.CCDCamera.LinkEnabled = true", "Connect to MaxIm DL", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        FakeBench b;
        b.st.settings.OptionSky5 = c.bSky5;
        b.st.settings.bCCDSoft = c.bCCDSoft;
        b.objects.fail(c.failing, 429, "it is not there");
        const bool ok = CreateObjects(b.st) && ConnectObjects(b.st);
        EXPECT_FALSE(ok);
        EXPECT_EQ(b.ui.windowCalls, (Calls{"foreground", "raise"}));
        EXPECT_TRUE(Logged(b.st, "Error while trying to " + c.step + "\r\nit is not there"));
        EXPECT_EQ(Logged(b.st, "Done"), !c.bCreate);
        EXPECT_FALSE(Logged(b.st, "Done!"));
        ASSERT_EQ(b.ui.boxes.size(), 1u);
        const RecordedBox& box = b.ui.boxes[0];
        EXPECT_EQ(box.text, std::string(c.bCreate ? "Error while " : "Error while trying to ") +
                                c.step + "\r\nit is not there");
        EXPECT_EQ(box.title, "KOV - ERROR");
        EXPECT_EQ(box.buttons, Buttons::Ok);
        EXPECT_EQ(box.icon, Icon::Critical);
        EXPECT_EQ(b.st.error.number, 429);
    }
}

TEST(DeviceObjects, TelescopeFailureLeavesThePlanetariumConnected) {
    FakeBench b;
    b.objects.fail("TheSky.RASCOMTele.Connect", 5, "busy");
    ASSERT_TRUE(CreateObjects(b.st));
    EXPECT_FALSE(ConnectObjects(b.st));
    EXPECT_TRUE(b.objects.log->saw("TheSky.RASCOMTheSky.Connect"));
    EXPECT_FALSE(b.objects.log->saw("CCDSoft.Camera.Connect"));
}

TEST(DeviceObjects, DisconnectGoesOnPastEveryFailureAndMissingObject) {
    FakeBench b;
    DisconnectObjects(b.st);  // nothing created yet
    DeleteObjects(b.st);
    ASSERT_TRUE(CreateObjects(b.st));
    b.st.devices.ascom = b.objects.createAscomTelescope("Gemini.Telescope");
    b.objects.fail("TheSky.RASCOMTheSky.Disconnect", 91, "not connected");
    b.objects.fail("CCDSoft.Camera.Disconnect", 91, "not connected");
    b.objects.fail("Gemini.Telescope.Connected = false", 91, "not connected");
    b.objects.log->calls.clear();
    DisconnectObjects(b.st);
    EXPECT_EQ(b.objects.calls(),
              (Calls{"TheSky.RASCOMTheSky.Disconnect", "CCDSoft.Camera.Disconnect",
                     "Gemini.Telescope.Connected = false", "release Gemini.Telescope"}));
    EXPECT_TRUE(b.ui.boxes.empty());
    EXPECT_EQ(b.st.error.number, 0);
}

TEST(DeviceObjects, ChangingTheCameraSoftwareReplacesTheCamera) {
    FakeBench b;
    ASSERT_TRUE(CreateObjects(b.st));
    b.st.settings.bCCDSoft = false;
    ASSERT_TRUE(CreateObjects(b.st));
    EXPECT_TRUE(b.objects.log->saw("release CCDSoft.Camera"));
    EXPECT_EQ(b.st.devices.ccdCamera, nullptr);
    EXPECT_NE(b.st.devices.maximCamera, nullptr);
}

}  // namespace
}  // namespace kov::test

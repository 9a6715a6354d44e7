#include "mount/telescope_choice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <tuple>

#include "support/sim_station.h"

namespace kov::test {
namespace {

// Without a chooser the identifier stays and its driver is created unconnected; the operator's
// pick (here a cancel) replaces the identifier and lets the earlier driver go.
TEST(TelescopeChoice, ChooseKeepsOrReplacesTheIdentifierAndCreatesItsDriver) {
    sim::Scenario night = sim::DefaultScenario();
    night.chooserAnswer = "";
    SimStation s(night);
    s.sim.setProgramMissing("DriverHelper.Chooser");
    ChooseTelescope(s.st);
    EXPECT_EQ(s.calls(), (Calls{"create DriverHelper.Chooser", "create Gemini.Telescope"}));
    EXPECT_EQ(s.st.settings.ScopeName(), "Gemini.Telescope");
    EXPECT_EQ(s.sim.alive("AscomTelescope"), 1);

    s.sim.setProgramMissing("DriverHelper.Chooser", false);
    s.mark();
    ChooseTelescope(s.st);
    EXPECT_EQ(s.calls(), (Calls{"create DriverHelper.Chooser", "Chooser.SetDeviceType",
                                "Chooser.Choose", "create "}));
    EXPECT_EQ(s.st.settings.driverId, "");
    EXPECT_EQ(s.st.settings.ScopeName(), "");
    EXPECT_EQ(s.sim.alive("AscomTelescope") + s.sim.alive("Chooser"), 0);
}

// The default identifier is used as it is, an empty one sends the operator to the chooser.
// Replies without a value leave the result label alone.
TEST(TelescopeChoice, ConnectShowsTheDriversNameAndTheModelToTheNearestSecond) {
    const std::tuple<std::string, const char*, std::string> cases[] = {
        {"Gemini.Telescope", "-30", "Az Err: 2'0\" El Err: -0'30\""},
        {"", "-30", "Az Err: 2'0\" El Err: -0'30\""},
        {"Gemini.Telescope", "Error", "before"},
    };
    for (const auto& [id, reply, label] : cases) {
        sim::Scenario night = sim::DefaultScenario();
        night.driverName = "Gemini Telescope .NET";
        SimStation s(night);
        s.st.settings.driverId = id;
        s.ui.setLabel(Label::GeminiResult, "before");
        s.sim.replyToCommand("<201:", "119.994");
        s.sim.replyToCommand("<202:", reply);
        ConnectTelescope(s.st);
        const Calls calls = s.calls();
        EXPECT_EQ(calls.front(),
                  id.empty() ? "create DriverHelper.Chooser" : "create Gemini.Telescope");
        const auto name =
            std::find(calls.begin(), calls.end(), "AscomTelescope.Name") - calls.begin();
        ASSERT_LT(name + 2, std::ssize(calls));  // the driver is let go before the exchange
        EXPECT_EQ(Calls(calls.begin() + name + 1, calls.begin() + name + 3),
                  (Calls{"AscomTelescope.SetConnected", "create Gemini.Telescope"}));
        EXPECT_EQ(s.st.settings.driverId, "Gemini.Telescope");
        EXPECT_EQ(s.st.settings.ScopeName(), "Gemini Telescope .NET");
        EXPECT_EQ(s.ui.label(Label::GeminiResult), label);
        EXPECT_EQ(s.sim.alive("AscomTelescope"), 0);
        EXPECT_TRUE(s.st.log.text().empty());
        EXPECT_TRUE(s.ui.boxes.empty());
    }
}

// A driver that is not registered gets a message of its own before the connection one.
TEST(TelescopeChoice, ADriverThatWillNotConnectIsReportedAndNothingIsAsked) {
    for (const bool bMissing : {false, true}) {
        SimStation s;
        if (bMissing) {
            s.sim.setProgramMissing("Gemini.Telescope");
        } else {  // TheSky holds the mount's port
            s.sim.factory().createSkyTelescope("TheSky6.RASCOMTele")->Connect();
        }
        ConnectTelescope(s.st);
        ASSERT_EQ(s.ui.boxes.size(), bMissing ? 2u : 1u);
        if (bMissing) {
            EXPECT_EQ(s.ui.boxes[0].title, "KOV - ASCOM Telescope Error");
            EXPECT_EQ(s.ui.boxes[0].text, "ASCOM Telescope not connected!");
        }
        EXPECT_EQ(s.ui.boxes.back().title, "KOV - Telescope Driver Error");
        EXPECT_EQ(s.ui.boxes.back().text, "Cannot connect to Gemini");
        for (const RecordedBox& b : s.ui.boxes) {
            EXPECT_EQ(b.icon, Icon::Exclamation);
        }
        EXPECT_EQ(std::count(s.sim.callLog().begin(), s.sim.callLog().end(), "AscomTelescope.Name"),
                  0);
        EXPECT_EQ(s.commands(), "");
        EXPECT_EQ(s.ui.label(Label::GeminiResult), "");
    }
}

}  // namespace
}  // namespace kov::test

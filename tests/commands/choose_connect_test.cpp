#include "commands/choose_connect.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(s.st.settings.driverId + s.st.settings.ScopeName(), "");
    EXPECT_EQ(s.sim.alive("AscomTelescope") + s.sim.alive("Chooser"), 0);
}

// The default identifier is used as it is, an empty one sends the operator to the chooser, and
// the driver is let go before the exchange. Replies without a value leave the result label alone.
// A driver that is not registered gets a message of its own before the connection one; a driver
// that will not connect (TheSky holds the port) is asked nothing. Nothing is logged.
TEST(TelescopeChoice, ConnectShowsTheDriversNameAndTheModelToTheNearestSecondOrWhyNot) {
    const Calls exchange{"AscomTelescope.Name",          "AscomTelescope.SetConnected",
                         "create Gemini.Telescope",      "AscomTelescope.SetConnected",
                         "AscomTelescope.Connected",     "AscomTelescope.CommandNative",
                         "AscomTelescope.CommandNative", "AscomTelescope.SetConnected"};
    const std::string model = "Az Err: 2'0\" El Err: -0'30\"";
    const std::string cannot = "KOV - Telescope Driver Error: Cannot connect to Gemini";
    const std::string notConnected = "KOV - ASCOM Telescope Error: ASCOM Telescope not connected!";
    enum Trouble { kNone, kMissing, kHeld };
    const std::tuple<std::string, Trouble, const char*, std::string, Calls> cases[] = {
        {"Gemini.Telescope", kNone, "-30", model, {}},
        {"", kNone, "-30", model, {}},
        {"Gemini.Telescope", kNone, "Error", "before", {}},
        {"Gemini.Telescope", kMissing, "-30", "before", {notConnected, cannot}},
        {"Gemini.Telescope", kHeld, "-30", "before", {cannot}},
    };
    for (const auto& [id, trouble, reply, label, boxes] : cases) {
        SCOPED_TRACE(id + std::to_string(trouble) + reply);
        sim::Scenario night = sim::DefaultScenario();
        night.driverName = "Gemini Telescope .NET";
        SimStation s(night);
        s.st.settings.driverId = id;
        s.ui.setLabel(Label::GeminiResult, "before");
        s.sim.replyToCommand("<201:", "119.994");
        s.sim.replyToCommand("<202:", reply);
        s.sim.setProgramMissing("Gemini.Telescope", trouble == kMissing);
        if (trouble == kHeld) {
            s.sim.factory().createSkyTelescope("TheSky6.RASCOMTele")->Connect();
        }
        ConnectTelescope(s.st);
        EXPECT_EQ(s.shown(), boxes);
        EXPECT_EQ(s.ui.label(Label::GeminiResult), label);
        EXPECT_TRUE(s.st.log.text().empty());
        const Calls calls = s.calls();
        for (const RecordedBox& b : s.ui.boxes) {
            EXPECT_EQ(b.icon, Icon::Exclamation);
        }
        if (trouble != kNone) {
            EXPECT_EQ(s.commands(), "");
            continue;
        }
        EXPECT_EQ(s.sim.alive("AscomTelescope"), 0);
        EXPECT_EQ(calls[0], id.empty() ? "create DriverHelper.Chooser" : "create Gemini.Telescope");
        EXPECT_EQ(Calls(calls.end() - std::ssize(exchange), calls.end()), exchange);
        EXPECT_EQ(s.st.settings.driverId, "Gemini.Telescope");
        EXPECT_EQ(s.st.settings.ScopeName(), "Gemini Telescope .NET");
    }
}

}  // namespace
}  // namespace kov::test

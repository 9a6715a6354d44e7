#include "mount/gemini_exchange.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <utility>

#include "model/device_objects.h"
#include "mount/model_result_text.h"
#include "support/sim_station.h"

namespace kov::test {
namespace {

// The exchange as a run makes it: TheSky holds the mount.
class GeminiExchange : public testing::Test {
  protected:
    GeminiExchange() {
        EXPECT_TRUE(CreateObjects(s.st) && ConnectObjects(s.st));
        s.mark();
    }
    bool Run(int sync, double dRA = 5.5, double dDec = -20.25) {
        return GetGeminiResult(s.st, a, e, dRA, dDec, sync);
    }

    SimStation s;
    double a = 7.0;
    double e = 8.0;
};

// Each slice of a wait is named by the operation before it; a STOP click in a wait is seen.
TEST_F(GeminiExchange, ASyncReleasesTheMountSendsTheTargetAsksBothTermsAndGivesTheMountBack) {
    Calls waitsAfter;
    s.ui.onYield = [&](int n) {
        waitsAfter.push_back(s.sim.callLog().back());
        s.st.run.bStop = s.st.run.bStop || n == 7;
    };
    EXPECT_TRUE(Run(1));
    EXPECT_TRUE(s.st.run.bStop);
    EXPECT_EQ(std::pair(a, e), std::pair(0.0, 0.0));  // the controller has no model yet
    EXPECT_EQ(s.calls(), (Calls{"SkyPlanetarium.DisconnectTelescope", "create Gemini.Telescope",
                                "AscomTelescope.SetConnected", "AscomTelescope.Connected",
                                "create DriverHelper.Util", "AscomTelescope.CommandBool",
                                "AscomTelescope.CommandBool", "AscomTelescope.CommandString",
                                "AscomTelescope.CommandNative", "AscomTelescope.CommandNative",
                                "AscomTelescope.SetConnected", "SkyTelescope.Connect"}));
    Calls waits(5, "SkyPlanetarium.DisconnectTelescope");
    waits.resize(10, "AscomTelescope.SetConnected");
    waits.resize(15, "SkyTelescope.Connect");
    EXPECT_EQ(waitsAfter, waits);
    EXPECT_EQ(s.sim.portHolder(), sim::PortHolder::TheSky);
    EXPECT_EQ(s.sim.alive("AscomTelescope") + s.sim.alive("DriverUtil"), 0);
}

// A command that raises (so is not in the command log) or that the controller answers false
// ends the exchange at "<201:": a target the controller did not take is never synced on, since
// it would sync on its previous target. `a` is kept as soon as it is read. Right ascension wraps
// into the day before it is written; a declination past a pole is no position and never reaches
// the controller.
TEST_F(GeminiExchange, CommandsRepliesTermsAndTargets) {
    using Injected = std::vector<std::pair<std::string, const char*>>;  // no reply: it raises
    const struct {
        int sync;
        Injected injected;
        bool ok;
        std::string commands;
        double termA, termE;
        double ra = 5.5, dec = -20.25;
    } rows[] = {
        {0, {{"<201:", "90"}, {"<202:", "-15"}}, true, "<201: <202:", 1.5, -0.25},
        {1, {{"<201:", "90"}}, true, "Sr05:30:00 Sd-20:15:00 CM <201: <202:", 1.5, 0},
        {2, {{"<202:", "30"}}, true, "Sr05:30:00 Sd-20:15:00 Cm <201: <202:", 0, 0.5},
        {1, {{"CM", nullptr}}, false, "Sr05:30:00 Sd-20:15:00 <201:", 7, 8},
        {1, {{"Sr05:30:00", nullptr}}, false, "<201:", 7, 8},
        {2, {{"Sd-20:15:00", nullptr}}, false, "Sr05:30:00 <201:", 7, 8},
        {1, {{"Sr05:30:00", "0"}}, false, "Sr05:30:00 <201:", 7, 8},
        {2, {{"Sd-20:15:00", "0"}}, false, "Sr05:30:00 Sd-20:15:00 <201:", 7, 8},
        {0, {{"<201:", "Error"}}, false, "<201:", 7, 8},
        {0, {{"<201:", ""}}, false, "<201:", 7, 8},
        {0, {{"<201:", "+1e999"}}, false, "<201:", 7, 8},  // too large to hold
        {0, {{"<201:", " \t\n30;5"}, {"<202:", "#"}}, false, "<201: <202:", 0.5, 8},
        {0, {{"<201:", "-x"}, {"<202:", "x"}}, true, "<201: <202:", 0, 0},
        {1, {}, true, "Sr00:00:00 Sd10:00:00 CM <201: <202:", 0, 0, 23.9999, 10.0},
        {1, {}, true, "Sr22:30:00 Sd10:00:00 CM <201: <202:", 0, 0, -1.5, 10.0},
        {1, {}, true, "Sr01:30:00 Sd-90:00:00 CM <201: <202:", 0, 0, 25.5, -90.0},
        {1, {}, false, "<201:", 7, 8, 5.5, 90.5},
        {1, {}, false, "<201:", 7, 8, 5.5, std::nan("")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.commands);
        a = 7.0;
        e = 8.0;
        s.sim.clearInjections();
        for (const auto& [command, reply] : row.injected) {
            reply ? s.sim.replyToCommand(command, reply)
                  : s.sim.failCommand(command, AutomationError(-2147220992, "not aligned"));
        }
        s.mark();
        EXPECT_EQ(Run(row.sync, row.ra, row.dec), row.ok);
        EXPECT_EQ(s.commands(), row.commands);
        EXPECT_EQ(std::pair(a, e), std::pair(row.termA, row.termE));
    }
}

// Without TheSky there is no hold to release or take back: only the driver's wait remains.
TEST_F(GeminiExchange, WithoutTheSkyOnlyTheDriversWaitRemains) {
    SimStation bare;
    EXPECT_TRUE(GetGeminiResult(bare.st, a, e, 0.0, 0.0, 0));
    EXPECT_EQ(bare.ui.yields, 5);
}

// A driver that cannot be created (with any error number) is reported, one that will not
// connect is not; either way an earlier driver is let go and TheSky gets the mount back.
TEST_F(GeminiExchange, ADriverThatFailsEndsTheExchange) {
    const std::pair<const char*, Calls> cases[] = {
        {"create Gemini.Telescope", {": no such driver"}}, {"AscomTelescope.SetConnected", {}}};
    for (const auto& [op, box] : cases) {
        s.st.devices.ascom = s.sim.factory().createAscomTelescope("Gemini.Telescope");
        s.sim.failOperation(op, AutomationError(-2147221005, "no such driver"));
        s.ui.boxes.clear();
        s.mark();
        EXPECT_FALSE(Run(1));
        for (const std::string& call : s.calls()) {
            EXPECT_EQ(call.find("Command"), std::string::npos) << op;  // nothing is sent
        }
        EXPECT_EQ(s.shown(), box) << op;
        EXPECT_EQ(s.sim.alive("AscomTelescope"), 0);
        EXPECT_EQ(s.sim.portHolder(), sim::PortHolder::TheSky);
    }
}

// The nearest second carries into the minute; whole arc seconds survive the division by 60.
TEST(ModelResultText, ShowsSignMinutesAndSeconds) {
    const std::tuple<double, double, const char*, const char*> cases[] = {
        {-1.5, 0.25, "Az Err: -1'30\" El Err: 0'15\"", "Az Err: -1'30\" El Err: 0'15\""},
        {0.0, -0.01, "Az Err: 0'0\" El Err: -0'0\"", "Az Err: 0'0\" El Err: -0'1\""},
        {1.9999, -1.9999, "Az Err: 1'59\" El Err: -1'59\"", "Az Err: 2'0\" El Err: -2'0\""},
        {61 / 60.0, -138 / 60.0, "Az Err: 1'1\" El Err: -2'18\"", "Az Err: 1'1\" El Err: -2'18\""},
    };
    for (const auto& [termA, termE, truncated, nearest] : cases) {
        EXPECT_EQ(ModelResultText(termA, termE), truncated);
        EXPECT_EQ(ModelResultText(termA, termE, SecondsRounding::Nearest), nearest);
    }
}

}  // namespace
}  // namespace kov::test

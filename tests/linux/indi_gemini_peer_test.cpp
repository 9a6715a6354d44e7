// INDI's own Gemini driver against the simulated Gemini served over UDP: what a Linux
// observatory's usual software sees must be what the simulated mount does, and our sync must be
// the same bytes on the wire as INDI's.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "linux/gemini_link.h"
#include "linux/gemini_protocol.h"
#include "linux/gemini_roles.h"
#include "linux/indi_harness.h"
#include "linux/served_gemini.h"
#include "mount/driver_utils.h"

namespace kov::gemini {
namespace {

using namespace std::chrono_literals;
using test::IndiServer;
using test::OnPath;
using test::ServedGemini;
using test::WaitFor;

constexpr const char* kDevice = "Losmandy Gemini";

std::string Prop(const std::string& rest) {
    return std::string(kDevice) + "." + rest;
}

double Number(const std::map<std::string, std::string>& values, const std::string& key) {
    const auto it = values.find(key);
    return it == values.end() ? std::nan("") : std::atof(it->second.c_str());
}

bool IsSync(const std::string& c) {
    return c.rfind(":Sr", 0) == 0 || c.rfind(":Sd", 0) == 0 || c == ":CM#";
}

// The sync's commands as they arrived, and their datagrams without the sequence numbers.
std::vector<std::string> Sync(const std::vector<std::string>& commands, bool datagrams) {
    std::vector<std::string> sync;
    for (const std::string& c : commands) {
        const std::string text = datagrams ? DecodeDatagram(c).value_or(Datagram{}).text : c;
        if (IsSync(text)) {
            sync.push_back(datagrams ? c.substr(4) : c);
        }
    }
    return sync;
}

TEST(IndiGeminiDriver, SeesSyncsAndSlewsTheServedGemini) {
    if (!OnPath("indiserver") || !OnPath("indi_lx200gemini") || !OnPath("indi_setprop")) {
        GTEST_SKIP() << "INDI is not installed (Debian: indi-bin); the peer check needs it";
    }
    ServedGemini gemini("udp:127.0.0.1:0");
    const int udpPort = ParseLinkAddress(gemini.server.address()).port;
    IndiServer indi("indi_lx200gemini");

    ASSERT_TRUE(WaitFor([&] { return !indi.get(Prop("CONNECTION_MODE.*")).empty(); }, 20s))
        << "indiserver did not show the Gemini driver; it said:\n"
        << indi.log();
    ASSERT_TRUE(indi.set(Prop("CONNECTION_MODE.CONNECTION_TCP=On")));
    ASSERT_TRUE(WaitFor([&] { return !indi.get(Prop("DEVICE_ADDRESS.*")).empty(); }, 5s));
    ASSERT_TRUE(indi.set(Prop("DEVICE_ADDRESS.ADDRESS;PORT=127.0.0.1;") + std::to_string(udpPort)));
    ASSERT_TRUE(indi.set(Prop("CONNECTION_TYPE.UDP=On")));
    ASSERT_TRUE(indi.set(Prop("CONNECTION.CONNECT=On")));

    // Connected and reading positions: RA and Dec equal what the simulated controller reports,
    // to the whole second the wire carries.
    std::map<std::string, std::string> eq;
    ASSERT_TRUE(WaitFor(
        [&] {
            eq = indi.get(Prop("EQUATORIAL_EOD_COORD.*"));
            return Number(eq, Prop("EQUATORIAL_EOD_COORD.DEC")) != 0.0 &&
                   !std::isnan(Number(eq, Prop("EQUATORIAL_EOD_COORD.DEC")));
        },
        15s))
        << "the driver never read a position";
    const sim::SkyPosition reported =
        gemini.inspect([](sim::Observatory& o) { return o.reportedPointing(); });
    const double wireRa = ParseDMS(HoursText(reported.ra));
    const double wireDec = ParseDMS(DegreesText(reported.dec));
    EXPECT_NEAR(Number(eq, Prop("EQUATORIAL_EOD_COORD.RA")) * 54000.0, wireRa * 54000.0, 1.0);
    EXPECT_NEAR(Number(eq, Prop("EQUATORIAL_EOD_COORD.DEC")) * 3600.0, wireDec * 3600.0, 1.0);

    // A sync through INDI: the three commands, and the controller's model moves.
    gemini.server.clearRecord();
    const double ihBefore =
        gemini.inspect([](sim::Observatory& o) { return o.controllerModel().IH; });
    ASSERT_TRUE(indi.set(Prop("ON_COORD_SET.SYNC=On")));
    ASSERT_TRUE(indi.set(Prop("EQUATORIAL_EOD_COORD.RA;DEC=") + HoursText(reported.ra + 0.05) +
                         ";" + DegreesText(reported.dec + 0.5)));
    const std::vector<std::string> expected{":Sr" + HoursText(reported.ra + 0.05) + "#",
                                            ":Sd" + DegreesText(reported.dec + 0.5) + "#", ":CM#"};
    ASSERT_TRUE(WaitFor([&] { return Sync(gemini.server.received(), false) == expected; }, 5s))
        << "INDI's sync did not arrive as " << expected[0] << expected[1] << expected[2];
    EXPECT_NE(gemini.inspect([](sim::Observatory& o) { return o.controllerModel().IH; }), ihBefore);
    const std::vector<std::string> indiBytes = Sync(gemini.server.datagrams(), true);

    // The same sync through our driver role, from the texts the described exchange makes: the
    // same bytes after the sequence number.
    gemini.server.clearRecord();
    LocalDriverUtil util;
    GeminiAscomDriver driver(std::make_shared<SharedLink>(gemini.server.address()));
    driver.SetConnected(true);
    EXPECT_TRUE(driver.CommandBool("Sr" + util.HoursToHMS(reported.ra + 0.05, ":", ":", "")));
    EXPECT_TRUE(driver.CommandBool("Sd" + util.DegreesToDMS(reported.dec + 0.5, ":", ":", "")));
    driver.CommandString("CM");
    EXPECT_EQ(Sync(gemini.server.datagrams(), true), indiBytes);
    ASSERT_EQ(indiBytes.size(), 3u);

    // A goto through INDI moves the simulated mount there.
    // Written as the wire carries it, so the arrival can be checked to the second.
    const sim::SkyPosition target{ParseDMS(HoursText(reported.ra - 0.1)),
                                  ParseDMS(DegreesText(reported.dec - 1.0))};
    ASSERT_TRUE(indi.set(Prop("ON_COORD_SET.TRACK=On")));
    ASSERT_TRUE(indi.set(Prop("EQUATORIAL_EOD_COORD.RA;DEC=") + HoursText(target.ra) + ";" +
                         DegreesText(target.dec)));
    ASSERT_TRUE(WaitFor(
        [&] {
            return gemini.inspect([&](sim::Observatory& o) {
                const sim::SkyPosition now = o.reportedPointing();
                return !o.slewing() && std::fabs(now.dec - target.dec) < 2.0 / 3600 &&
                       std::fabs(std::remainder(now.ra - target.ra, 24.0)) < 2.0 / 54000;
            });
        },
        15s))
        << "the mount did not arrive at the goto's target";
}

}  // namespace
}  // namespace kov::gemini

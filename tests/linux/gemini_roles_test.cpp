#include "linux/gemini_roles.h"

#include <gtest/gtest.h>

#include <cmath>

#include "linux/gemini_protocol.h"
#include "linux/linux_object_factory.h"
#include "linux/linux_programs.h"
#include "linux/served_gemini.h"
#include "mount/gemini_exchange.h"
#include "commands/choose_connect.h"
#include "support/memory_store.h"
#include "support/raised.h"
#include "support/test_station.h"

namespace kov::gemini {
namespace {

using kov::test::ErrorNumber;
using kov::test::Raised;
using test::ServedGemini;

LinuxObservatoryConfig Config(const ServedGemini& gemini) {
    LinuxObservatoryConfig c;
    c.gemini = gemini.server.address();
    c.link.readTimeout = std::chrono::milliseconds(150);
    c.link.changeTimeout = std::chrono::milliseconds(250);
    return c;
}

std::vector<std::string> Commands(const ServedGemini& gemini) {
    std::vector<std::string> out;
    for (const std::string& c : gemini.server.received()) {
        if (c != ":Gv#" && c != "\x06") {
            out.push_back(c);
        }
    }
    return out;
}

class RolesOverEveryLine : public ::testing::TestWithParam<const char*> {};

INSTANTIATE_TEST_SUITE_P(Transports, RolesOverEveryLine,
                         ::testing::Values("udp:127.0.0.1:0", "tcp:127.0.0.1:0", "pty"));

// The described Gemini exchange, unchanged, on the Linux roles: an additional alignment and the
// two model terms, over a real line.
TEST_P(RolesOverEveryLine, TheGeminiExchangeRunsUnchanged) {
    ServedGemini gemini(GetParam());
    LinuxObjectFactory objects(Config(gemini));
    kov::test::ScriptedOperator ui;
    kov::test::VirtualClock clock;
    kov::test::NoDesktop desktop;
    Station st{ui, clock, objects, desktop};

    ConnectTelescope(st);
    EXPECT_EQ(st.settings.driverName, "Losmandy Gemini (" + gemini.server.address() + ")");

    const sim::SkyPosition p = gemini.inspect([](sim::Observatory& o) { return o.truePointing(); });
    gemini.server.clearRecord();
    double a = 0.0;
    double e = 0.0;
    ASSERT_TRUE(GetGeminiResult(st, a, e, p.ra, p.dec, 2));
    EXPECT_EQ(Commands(gemini), (std::vector<std::string>{":Sr" + HoursText(p.ra) + "#",
                                                          ":Sd" + DegreesText(p.dec) + "#", ":Cm#",
                                                          "<201:u#", "<202:v#"}));
    EXPECT_EQ(gemini.inspect([](sim::Observatory& o) { return o.alignmentPoints(); }), 1u);

    // The answer to the next alignment is lost: the exchange fails, and the point went out once.
    gemini.server.clearRecord();
    gemini.server.dropReply(":Cm#");
    EXPECT_FALSE(GetGeminiResult(st, a, e, p.ra, p.dec, 2));
    const auto sent = Commands(gemini);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), ":Cm#"), 1);
    EXPECT_EQ(gemini.inspect([](sim::Observatory& o) { return o.alignmentPoints(); }), 2u);
}

TEST_P(RolesOverEveryLine, TelescopeReadsSlewsAndStops) {
    ServedGemini gemini(GetParam());
    LinuxObjectFactory objects(Config(gemini));
    auto scope = objects.createSkyTelescope(progid::kTele6);
    EXPECT_THROW(scope->GetRaDec(), AutomationError);
    scope->Connect();
    EXPECT_EQ(scope->IsConnected(), 1);
    scope->GetRaDec();
    const sim::SkyPosition p =
        gemini.inspect([](sim::Observatory& o) { return o.reportedPointing(); });
    EXPECT_NEAR(std::remainder(scope->dRA() - p.ra, 24.0) * 54000.0, 0.0, 8.0);
    EXPECT_NEAR((scope->dDec() - p.dec) * 3600.0, 0.0, 0.6);
    scope->GetAzAlt();
    EXPECT_GT(scope->dAlt(), 0.0);

    scope->SetAsynchronous(true);
    scope->SlewToRaDec(p.ra + 0.05, p.dec + 1.0, "KovSkyMapper");
    EXPECT_EQ(scope->IsSlewComplete(), 0);
    static_cast<GeminiSkyTelescope&>(*scope).Abort();
    EXPECT_EQ(scope->IsSlewComplete(), 1);

    // A blocking slew returns when the mount has arrived and settled.
    scope->SetAsynchronous(false);
    scope->SlewToRaDec(p.ra, p.dec + 0.2, "KovSkyMapper");
    EXPECT_FALSE(gemini.inspect([](sim::Observatory& o) { return o.slewing(); }));

    const struct {
        double az, alt;
        const char* says;
    } refused[] = {{180.0, -30.0, "Slew failed: Object below horizon"},
                   {180.0, 95.0, "Slew failed: invalid coordinates"},
                   {std::nan(""), 45.0, "Slew failed: invalid coordinates"}};
    for (const auto& row : refused) {
        EXPECT_EQ(Raised([&] { scope->SlewToAzAlt(row.az, row.alt, "Kov"); }).description(),
                  row.says);
    }
}

TEST_P(RolesOverEveryLine, DriverCommandsAndTheirErrors) {
    ServedGemini gemini(GetParam());
    LinuxObjectFactory objects(Config(gemini));
    auto driver = objects.createAscomTelescope("gemini.telescope");
    EXPECT_FALSE(driver->Connected());
    EXPECT_EQ(ErrorNumber([&] { driver->CommandString("GR"); }), kErrNotConnected);
    driver->SetConnected(true);
    EXPECT_TRUE(driver->Connected());
    EXPECT_TRUE(driver->CommandBool("Sr10:30:00"));
    EXPECT_FALSE(driver->CommandBool("Sd+95:00:00"));
    EXPECT_EQ(driver->CommandNative("<201:"), "0");
    EXPECT_EQ(driver->CommandNative("202:"), "0");
    EXPECT_THROW(driver->CommandString("Sdnorth"), AutomationError);
    EXPECT_EQ(gemini.server.received().back(), "<202:v#");
    driver->SetConnected(false);
    EXPECT_FALSE(driver->Connected());

    // What the Linux observatory does not have is not there.
    EXPECT_EQ(ErrorNumber([&] { objects.createMaximApplication(progid::kMaxim); }),
              kErrCannotCreate);
    EXPECT_EQ(ErrorNumber([&] { objects.createAscomTelescope("ASCOM.Simulator.Telescope"); }),
              kErrCannotCreate);
}

}  // namespace
}  // namespace kov::gemini

namespace kov::gemini {
namespace {

// Choosing moves both mount roles to the Gemini the operator picked; cancelling keeps the old.
TEST(LinuxChooser, PointsTheRolesAtTheChosenGemini) {
    ServedGemini first("udp:127.0.0.1:0");
    ServedGemini second("tcp:127.0.0.1:0");
    std::optional<ObservatoryParts> answer;  // cancelled first
    LinuxObservatoryConfig c = Config(first);
    c.choose = [&](const ObservatoryParts& now) {
        EXPECT_EQ(now.gemini, first.server.address());
        return answer;
    };
    LinuxObjectFactory objects(c);
    auto chooser = objects.createChooser(progid::kChooser);
    EXPECT_EQ(chooser->Choose(""), progid::kGemini);
    answer = ObservatoryParts{second.server.address(), "indi.local:7700", "Cam"};
    EXPECT_EQ(chooser->Choose(progid::kGemini), progid::kGemini);
    EXPECT_EQ(objects.parts().indiServer, "indi.local:7700");

    auto driver = objects.createAscomTelescope(progid::kGemini);
    driver->SetConnected(true);
    driver->CommandString("GR");
    EXPECT_EQ(first.server.received().size(), 0u);
    EXPECT_EQ(second.server.received().back(), ":GR#");
}

}  // namespace
}  // namespace kov::gemini

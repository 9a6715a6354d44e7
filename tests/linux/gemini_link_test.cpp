#include "linux/gemini_link.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "linux/gemini_protocol.h"
#include "linux/served_gemini.h"
#include "station/automation_error.h"
#include "support/raised.h"

namespace kov::gemini {
namespace {

using kov::test::Raised;
using test::ServedGemini;

// Short time-outs: every lost answer in these tests costs one of them.
LinkOptions Quick() {
    LinkOptions o;
    o.readTimeout = std::chrono::milliseconds(150);
    o.changeTimeout = std::chrono::milliseconds(250);
    return o;
}

long Count(const std::vector<std::string>& commands, const std::string& framed) {
    return std::count(commands.begin(), commands.end(), framed);
}

class LinkOverEveryLine : public ::testing::TestWithParam<const char*> {};

INSTANTIATE_TEST_SUITE_P(Transports, LinkOverEveryLine,
                         ::testing::Values("udp:127.0.0.1:0", "tcp:127.0.0.1:0", "pty"));

TEST_P(LinkOverEveryLine, ALostAnswerToAReadIsAskedAgain) {
    ServedGemini gemini(GetParam());
    auto link = GeminiLink::Open(gemini.server.address(), Quick());
    const std::string expected = link->command(":GD#");
    gemini.server.clearRecord();
    gemini.server.dropReply(":GD#");
    EXPECT_EQ(link->command(":GD#"), expected);
    EXPECT_EQ(Count(gemini.server.received(), ":GD#"), 2);

    // Reads that never get an answer end in an error that says what to check.
    gemini.server.dropReply(":GR#", 3);
    const AutomationError e = Raised([&] { link->command(":GR#"); });
    EXPECT_EQ(e.number(), kErrGeminiLink);
    EXPECT_NE(e.description().find("did not answer :GR#"), std::string::npos) << e.description();
    EXPECT_NE(e.description().find("3 tries"), std::string::npos) << e.description();
}

// The controller took the additional alignment but its answer was lost: asking again would add
// the same point twice, so the link gives up and says so.
TEST_P(LinkOverEveryLine, ALostAnswerToAChangeIsAnErrorAndNeverRepeated) {
    ServedGemini gemini(GetParam());
    auto link = GeminiLink::Open(gemini.server.address(), Quick());
    const sim::SkyPosition p = gemini.inspect([](sim::Observatory& o) { return o.truePointing(); });
    link->command(FrameLx200("Sr" + HoursText(p.ra)));
    link->command(FrameLx200("Sd" + DegreesText(p.dec)));
    const struct { const char* framed; } rows[] = {{":Cm#"}, {":CM#"}, {":MS#"}, {":Sd+10*00:00#"}};
    for (const auto& row : rows) {
        gemini.server.clearRecord();
        gemini.server.dropReply(row.framed);
        const auto before = link->sent();
        const AutomationError e = Raised([&] { link->command(row.framed); });
        EXPECT_EQ(e.number(), kErrGeminiLink) << row.framed;
        EXPECT_NE(e.description().find("not sent again"), std::string::npos) << e.description();
        EXPECT_EQ(Count(gemini.server.received(), row.framed), 1) << row.framed;
        EXPECT_EQ(link->sent() - before, 1u) << row.framed;
        link->command(":Q#");
    }
    EXPECT_EQ(gemini.inspect([](sim::Observatory& o) { return o.alignmentPoints(); }), 1u);
}

TEST_P(LinkOverEveryLine, AGarbledChecksumIsRefusedAndTheReadAskedAgain) {
    ServedGemini gemini(GetParam());
    auto link = GeminiLink::Open(gemini.server.address(), Quick());
    gemini.server.garbleNative();
    EXPECT_EQ(link->native("<201:"), "0");
    const auto received = gemini.server.received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0], "<201:t#");  // spoiled on the way in; the controller said nothing
    EXPECT_EQ(received[1], "<201:u#");
    // The controller's model was asked once, by the good command alone.
    const auto log = gemini.inspect([](sim::Observatory& o) { return o.commandLog(); });
    EXPECT_EQ(log.size(), 1u);
}

TEST(LinkOverUdp, AStaleAnswerIsDropped) {
    ServedGemini gemini("udp:127.0.0.1:0");
    auto link = GeminiLink::Open(gemini.server.address(), Quick());
    const std::string expected = link->command(":GR#");
    gemini.server.staleReplyFirst(":GR#");
    EXPECT_EQ(link->command(":GR#"), expected);
    EXPECT_NE(expected, "00:00:00");
}

TEST(LinkOpen, SaysWhatWentWrong) {
    const struct {
        const char* address;
        const char* says;
    } rows[] = {
        {"COM3", "udp:HOST[:PORT], tcp:HOST:PORT or serial:"},
        {"serial:/nonexistent/ttyUSB9",
         "Cannot open the Gemini link serial:/nonexistent/ttyUSB9@9600"},
        {"serial:/dev/null@9600", "not a serial port"},
        {"serial:/dev/null@12345", "12345 baud is not a serial rate"},
        {"tcp:127.0.0.1:1", "cannot connect to 127.0.0.1:1"},
    };
    for (const auto& row : rows) {
        const AutomationError e = Raised([&] { GeminiLink::Open(row.address, Quick()); });
        EXPECT_EQ(e.number(), kErrGeminiLink) << row.address;
        EXPECT_NE(e.description().find(row.says), std::string::npos) << e.description();
    }
    // Nobody listens on a datagram port: the refusals do not cut the tries short.
    auto link = GeminiLink::Open("udp:127.0.0.1:9", Quick());
    EXPECT_NE(Raised([&] { link->command(":GR#"); }).description().find("(3 tries of 0.1 s)"),
              std::string::npos);
}

}  // namespace
}  // namespace kov::gemini

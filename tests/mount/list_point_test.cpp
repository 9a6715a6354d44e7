#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <tuple>

#include "commands/add_point.h"
#include "commands/slew_to_point.h"
#include "model/device_objects.h"
#include "mount/driver_utils.h"
#include "mount/move_to_list_point.h"
#include "run/run_trace.h"
#include "support/raised.h"

namespace kov::test {
namespace {

const MappingPoint kHigh{"60\xC2\xBA 00' 00\"", "150\xC2\xBA 00' 00\""};
const MappingPoint kLow{"35\xC2\xBA 30' 00\"", "210\xC2\xBA 15' 00\""};

// Repeated polls of the slew as one entry, so a trace does not depend on the slew's length.
Calls Squeezed(const Calls& calls) {
    Calls out;
    for (const std::string& c : calls) {
        if (out.empty() || out.back() != c || c != "SkyTelescope.IsSlewComplete") {
            out.push_back(c);
        }
    }
    return out;
}

// TheSky's telescope that never gets the port: for the bounded wait.
class NeverConnects : public SkyTelescope {
  public:
    void Connect() override {}
    void Disconnect() override {}
    int IsConnected() override { return 0; }
    void SetAsynchronous(bool) override { throw AutomationError(1, "touched"); }
    void GetRaDec() override {}
    double dRA() override { return 0; }
    double dDec() override { return 0; }
    void GetAzAlt() override {}
    double dAlt() override { return 0; }
    double dAz() override { return 0; }
    void SlewToRaDec(double, double, const std::string&) override {}
    void SlewToAzAlt(double, double, const std::string&) override {}
    int IsSlewComplete() override { return 1; }
};

const Calls kSlew = {"create DriverHelper.Util", "SkyTelescope.SetAsynchronous",
                     "SkyTelescope.SlewToAzAlt", "SkyTelescope.IsSlewComplete",
                     "SkyTelescope.SetAsynchronous"};

class ListPoints : public testing::Test {
  protected:
    ListPoints() {
        EXPECT_TRUE(CreateObjects(s.st) && ConnectObjects(s.st));
        s.st.points.replace({kLow, kHigh, kLow});
        s.mark();
    }
    // Where TheSky's telescope says the mount points, read through an object of our own.
    std::pair<double, double> altAz() {
        auto tele = s.sim.factory().createSkyTelescope("TheSky.RASCOMTele");
        tele->GetAzAlt();
        return {tele->dAlt(), tele->dAz()};
    }
    SimStation s;
};

TEST_F(ListPoints, MoveToListPointMarksReportsAndSlewsThenWrapsAndStops) {
    // The row asked for, the row it became, whether STOP is clicked during the slew.
    const std::tuple<std::int32_t, std::int32_t, bool> cases[] = {
        {1, 1, false}, {3, 0, false}, {-2, 0, false}, {2, 2, true}};
    for (const auto& [asked, row, stopInSlew] : cases) {
        SCOPED_TRACE(asked);
        s.mark();
        s.st.run.bStop = false;
        s.ui.onYield = [&](int) {
            if (stopInSlew && s.sim.slewing()) {
                s.st.run.bStop = true;
            }
        };
        const std::size_t logged = s.st.log.text().size();
        std::int32_t pt = asked;
        EXPECT_EQ(MoveToListPoint(s.st, pt), !stopInSlew);
        EXPECT_EQ(pt, row);
        EXPECT_EQ(Squeezed(s.calls()), kSlew);
        EXPECT_FALSE(s.sim.slewing());  // a stop still waits for the mount
        const std::string n = std::to_string(row + 1);
        const MappingPoint& p = s.st.points.at(static_cast<std::size_t>(row));
        EXPECT_EQ(LogEntries(s.st.log.text().substr(logged)),
                  (Calls{"Selecting point " + n + " in the list",
                         "Point Alt=" + p.alt + " Az=" + p.az, "Slewing to point " + n}));
        for (std::size_t r = 0; r < 3; ++r) {
            EXPECT_EQ(s.st.points.isBold(r), r == static_cast<std::size_t>(row));
        }
        EXPECT_EQ(s.st.points.scrollRow(), static_cast<std::size_t>(row));
        const auto [alt, az] = altAz();
        // The mount's own pointing error, and the sky turning on during a slew that may swing
        // the tube over the meridian.
        EXPECT_NEAR(alt, ParseDMS(p.alt), 0.5);
        EXPECT_NEAR(az, ParseDMS(p.az), 0.5);
        s.clock.advance(60000);  // let the mount settle before the next row
    }
}

TEST_F(ListPoints, MoveToListPointRaisesForAnEmptyListAndStopsForAPointDeletedMeanwhile) {
    std::int32_t pt = 1;
    s.ui.onYield = [&](int n) {
        if (n == 2) {  // the operator deletes every point while the status is shown
            s.st.points.setSelected({0, 1, 2});
            s.st.points.removeSelected();
        }
    };
    EXPECT_FALSE(MoveToListPoint(s.st, pt));
    EXPECT_EQ(ErrorNumber([&] { MoveToListPoint(s.st, pt); }), kErrIndexOutOfBounds);
    EXPECT_EQ(pt, 0);
    EXPECT_TRUE(s.calls().empty());
}

TEST_F(ListPoints, DoubleClickAsksThenSlewsAndSaysDoneUnlessStopped) {
    // The answer, STOP already clicked, and the end of the last status ("" for no slew).
    const std::tuple<Answer, bool, std::string> cases[] = {{Answer::No, false, ""},
                                                           {Answer::Cancel, false, ""},
                                                           {Answer::Yes, false, "Done"},
                                                           {Answer::Yes, true, "."}};
    Calls expected = {"SkyTelescope.IsConnected"};
    expected.insert(expected.end(), kSlew.begin(), kSlew.end());
    s.st.points.setSelected({1});
    for (const auto& [answer, stop, lastStatus] : cases) {
        SCOPED_TRACE(testing::Message() << int(answer) << stop);
        s.mark();
        s.ui.boxes.clear();
        s.ui.labelHistory.clear();
        s.ui.answers = {answer};
        s.st.run.bStop = stop;
        SlewToSelectedPoint(s.st);
        EXPECT_EQ(s.shown(),
                  Calls{"Slew to Point: Slew to point: " + kHigh.alt + ", " + kHigh.az + "?"});
        EXPECT_EQ(Squeezed(s.calls()), lastStatus.empty() ? Calls{} : expected);
        const auto& status = s.ui.labelHistory[Label::Status];
        if (lastStatus.empty()) {
            EXPECT_TRUE(status.empty());
            continue;
        }
        EXPECT_EQ(status.front(), "Slewing to Alt=" + kHigh.alt + " Az=" + kHigh.az);
        EXPECT_EQ(status.back().substr(status.back().size() - lastStatus.size()), lastStatus);
        EXPECT_TRUE(s.logged(status.front()));
        s.clock.advance(60000);
    }
}

TEST_F(ListPoints, AddPointCapturesThePositionToWithinASecond) {
    std::int32_t pt = 1;
    MoveToListPoint(s.st, pt);
    s.clock.advance(60000);
    SimStation fresh;  // no objects yet: they are created and the telescope connected
    AddPoint(fresh.st);
    EXPECT_EQ(fresh.clock.sleptMs, 1000u);  // the connection is given a second
    EXPECT_EQ(std::pair(fresh.st.points.size(), fresh.shown()), std::pair(std::size_t{1}, Calls{}));

    s.mark();
    AddPoint(s.st);
    ASSERT_EQ(s.st.points.size(), 4u);
    const MappingPoint added = s.st.points.at(3);
    EXPECT_NE(added.alt.find("\xC2\xBA "), std::string::npos) << added.alt;
    const auto [alt, az] = altAz();
    EXPECT_NEAR(LocalDriverUtil().DMSToDegrees(added.alt), alt, 1.0 / 3600);
    EXPECT_NEAR(LocalDriverUtil().DMSToDegrees(added.az), az, 1.0 / 3600);
    EXPECT_EQ(s.st.settings.NumberOfAligns(), "4");
}

// Failures end the command with its own box and leave the list as it was.
TEST(ListPointFailures, AddPointAndSlewShowTheirErrorAndKeepTheList) {
    const AutomationError busy(-2147220990, "TheSky is busy");
    using Arrange = std::function<void(SimStation&)>;
    // AddPoint or else the double-click slew; the start of the boxes shown, as "title: text|";
    // the time waited.
    const std::tuple<const char*, bool, std::string, std::uint64_t, Arrange> cases[] = {
        {"position read fails", true,
         "KOV: Error: TheSky is busy\r\nRetrieving Alt/Az from the telescope", 0,
         [&](SimStation& s) { s.sim.failOperation("SkyTelescope.GetAzAlt", busy); }},
        {"connect fails", true, "KOV: Error: TheSky is busy\r\n", 0,
         [&](SimStation& s) {
             s.st.devices.telescope->Disconnect();
             s.sim.failOperation("SkyTelescope.Connect", busy);
         }},
        {"never connects", true, "KOV: Error: The telescope did not connect within 30 seconds\r\n",
         30000, [](SimStation& s) { s.st.devices.telescope = std::make_shared<NeverConnects>(); }},
        {"never connects, slew", false,
         "Slew to Point: Slew to point: 1, 2?|KOV: Error: The telescope did not connect within 30 "
         "seconds",
         30000,
         [](SimStation& s) {
             s.st.devices.telescope = std::make_shared<NeverConnects>();
             s.ui.onYield = [&s](int) { s.clock.sleep(100); };
         }},
        {"no angle in the text", false, "Slew to Point: Slew to point: high, east?|KOV: Error: ", 0,
         [](SimStation& s) {
             s.st.points.replace({{"high", "east"}});
         }},
        {"TheSky missing", true, "KOV - ERROR: Error while Starting TheSky 5", 0,
         [](SimStation& s) {
             s.st.devices.telescope.reset();
             s.sim.setProgramMissing("TheSky.RASCOMTheSky");
         }},
    };
    for (const auto& [name, add, boxesStart, slept, arrange] : cases) {
        SCOPED_TRACE(name);
        SimStation s;
        ASSERT_TRUE(CreateObjects(s.st) && ConnectObjects(s.st));
        s.st.points.replace({{"1", "2"}});
        arrange(s);
        s.st.points.setSelected({0});
        const std::vector<MappingPoint> before = s.st.points.points();
        add ? AddPoint(s.st) : SlewToSelectedPoint(s.st);
        EXPECT_EQ(s.st.points.points(), before);
        std::string shown;
        for (const std::string& box : s.shown()) {
            shown += box + "|";
        }
        EXPECT_EQ(shown.rfind(boxesStart, 0), 0u) << shown;
        EXPECT_EQ(s.shown().size(), add ? 1u : 2u);
        EXPECT_GE(s.clock.sleptMs, slept);
        EXPECT_LT(s.clock.sleptMs, slept + 1000);
    }
}

}  // namespace
}  // namespace kov::test

#include "mount/gemini_exchange.h"

#include <gtest/gtest.h>

#include "mount/model_result_text.h"
#include "support/fake_devices.h"

namespace kov::test {
namespace {

using Calls = std::vector<std::string>;

// The exchange as a run makes it: TheSky holds the mount.
class GeminiExchange : public testing::Test {
  protected:
    GeminiExchange() {
        b.st.devices.planetarium = b.objects.createPlanetarium("TheSky.RASCOMTheSky");
        b.st.devices.telescope = b.objects.createSkyTelescope("TheSky.RASCOMTele");
        b.objects.log->calls.clear();
    }
    bool Run(int sync, double dRA = 5.5, double dDec = -20.25) {
        return GetGeminiResult(b.st, a, e, dRA, dDec, sync);
    }
    Calls Commands() const { return b.objects.log->starting("Gemini.Telescope.Command"); }
    static Calls Wait() {
        Calls w;
        for (int i = 0; i < 5; ++i) {
            w.insert(w.end(), {"yield", "sleep 100"});
        }
        return w;
    }

    FakeBench b;
    double a = 7.0;
    double e = 8.0;
};

TEST_F(GeminiExchange, ReadOnlyReleasesTheMountAsksBothTermsAndGivesTheMountBack) {
    EXPECT_TRUE(Run(0));
    EXPECT_DOUBLE_EQ(a, 1.5);
    EXPECT_DOUBLE_EQ(e, -0.25);
    Calls expected{"TheSky.RASCOMTheSky.DisconnectTelescope"};
    for (const Calls& part :
         {Wait(),
          Calls{"create Gemini.Telescope", "Gemini.Telescope.Connected = true",
                "Gemini.Telescope.Connected", "Gemini.Telescope.CommandNative <201:",
                "Gemini.Telescope.CommandNative <202:", "Gemini.Telescope.Connected = false",
                "release Gemini.Telescope"},
          Wait(), Calls{"TheSky.RASCOMTele.Connect"}, Wait()}) {
        expected.insert(expected.end(), part.begin(), part.end());
    }
    EXPECT_EQ(b.objects.calls(), expected);
    EXPECT_EQ(b.st.devices.ascom, nullptr);
    EXPECT_TRUE(b.ui.boxes.empty());
    EXPECT_TRUE(b.st.log.text().empty());
}

TEST_F(GeminiExchange, SyncAndAlignSendTheTargetFirst) {
    EXPECT_TRUE(Run(1));
    EXPECT_EQ(
        Commands(),
        (Calls{"Gemini.Telescope.CommandBool Sr05:30:00",
               "Gemini.Telescope.CommandBool Sd-20:15:00", "Gemini.Telescope.CommandString CM",
               "Gemini.Telescope.CommandNative <201:", "Gemini.Telescope.CommandNative <202:"}));
    EXPECT_TRUE(b.objects.log->saw("release DriverHelper.Util"));
    b.objects.log->calls.clear();
    EXPECT_TRUE(Run(2, 23.75, 45.5));
    EXPECT_EQ(
        Commands(),
        (Calls{"Gemini.Telescope.CommandBool Sr23:45:00", "Gemini.Telescope.CommandBool Sd45:30:00",
               "Gemini.Telescope.CommandString Cm",
               "Gemini.Telescope.CommandNative <201:", "Gemini.Telescope.CommandNative <202:"}));
}

TEST_F(GeminiExchange, AFailedSyncEndsAfterTheFirstQuestionWithBothTermsUntouched) {
    b.objects.fail("Gemini.Telescope.CommandString CM", -2147220992, "not aligned");
    EXPECT_FALSE(Run(1));
    EXPECT_EQ(a, 7.0);
    EXPECT_EQ(e, 8.0);
    EXPECT_EQ(Commands().back(), "Gemini.Telescope.CommandNative <201:");
    EXPECT_TRUE(b.objects.log->saw("TheSky.RASCOMTele.Connect"));
    EXPECT_TRUE(b.ui.boxes.empty());
}

TEST_F(GeminiExchange, ATargetTheControllerDidNotGetIsNeverSynced) {
    b.objects.fail("Gemini.Telescope.CommandBool Sr05:30:00", 1, "timeout");
    EXPECT_FALSE(Run(1));
    EXPECT_EQ(Commands(), (Calls{"Gemini.Telescope.CommandBool Sr05:30:00",
                                 "Gemini.Telescope.CommandNative <201:"}));
}

TEST_F(GeminiExchange, InvalidRepliesEndTheExchange) {
    for (const char* reply : {"Error", "#", ""}) {
        SCOPED_TRACE(reply);
        b.objects.driver->nativeReplies["<201:"] = reply;
        b.objects.log->calls.clear();
        EXPECT_FALSE(Run(0));
        EXPECT_EQ(Commands(), Calls{"Gemini.Telescope.CommandNative <201:"});
        EXPECT_EQ(a, 7.0);
    }
    b.objects.driver->nativeReplies = {{"<201:", " \t\n30;5"}, {"<202:", "#"}};
    EXPECT_FALSE(Run(0));
    EXPECT_DOUBLE_EQ(a, 0.5);  // written as soon as it is read
    EXPECT_EQ(e, 8.0);
    b.objects.driver->nativeReplies = {{"<201:", "+1e999"}, {"<202:", "x"}};
    EXPECT_FALSE(Run(0));  // a value too large to hold is no value
    b.objects.driver->nativeReplies = {{"<201:", "-x"}, {"<202:", "x"}};
    EXPECT_TRUE(Run(0));  // a text without a number reads as 0
    EXPECT_EQ(a, 0.0);
    EXPECT_EQ(e, 0.0);
}

TEST_F(GeminiExchange, WithoutTheSkyOnlyTheDriversWaitRemains) {
    b.st.devices.planetarium.reset();
    b.st.devices.telescope.reset();
    b.objects.log->calls.clear();
    EXPECT_TRUE(Run(0));
    EXPECT_FALSE(b.objects.log->saw("TheSky.RASCOMTheSky.DisconnectTelescope"));
    EXPECT_FALSE(b.objects.log->saw("TheSky.RASCOMTele.Connect"));
    EXPECT_EQ(b.ui.yields, 5);
    EXPECT_EQ(b.clock.sleptMs, 500u);
}

TEST_F(GeminiExchange, ADriverThatCannotBeCreatedIsReportedAndTheMountGivenBack) {
    b.st.devices.ascom = b.objects.createAscomTelescope("Gemini.Telescope");  // from "Choose"
    b.objects.fail("create Gemini.Telescope", 429, "no such driver");
    EXPECT_FALSE(Run(1));
    ASSERT_EQ(b.ui.boxes.size(), 1u);
    EXPECT_EQ(b.ui.boxes[0].text, "no such driver");
    EXPECT_EQ(b.ui.boxes[0].title, "");
    EXPECT_EQ(b.ui.boxes[0].buttons, Buttons::Ok);
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(b.st.devices.ascom, nullptr);  // the earlier driver is let go
    EXPECT_TRUE(b.objects.log->saw("TheSky.RASCOMTele.Connect"));
    EXPECT_EQ(b.clock.sleptMs, 1500u);
}

TEST_F(GeminiExchange, ADriverThatWillNotConnectEndsSilently) {
    b.objects.driver->refusesConnection = true;
    EXPECT_FALSE(Run(1));
    EXPECT_TRUE(Commands().empty());
    EXPECT_TRUE(b.objects.log->saw("Gemini.Telescope.Connected = false"));
    EXPECT_TRUE(b.objects.log->saw("TheSky.RASCOMTele.Connect"));
    EXPECT_TRUE(b.ui.boxes.empty());
}

TEST_F(GeminiExchange, AStopClickDuringTheWaitsIsSeenAndTheExchangeFinishes) {
    b.ui.onYield = [this](int n) {
        if (n == 7) {  // during the wait after the driver is let go
            b.st.run.bStop = true;
        }
    };
    EXPECT_TRUE(Run(2));
    EXPECT_TRUE(b.st.run.bStop);
    EXPECT_EQ(b.ui.yields, 15);
    EXPECT_TRUE(b.objects.log->saw("TheSky.RASCOMTele.Connect"));
}

TEST(ModelResultText, ShowsSignMinutesAndSeconds) {
    struct Case {
        double a, e;
        const char *truncated, *nearest;
    };
    const Case cases[] = {
        {-1.5, 0.25, "Az Err: -1'30\" El Err: 0'15\"", "Az Err: -1'30\" El Err: 0'15\""},
        {0.0, -0.01, "Az Err: 0'0\" El Err: -0'0\"", "Az Err: 0'0\" El Err: -0'1\""},
        {1.9999, -1.9999, "Az Err: 1'59\" El Err: -1'59\"", "Az Err: 2'0\" El Err: -2'0\""},
        // Whole arc seconds from the controller survive the division by 60.
        {61 / 60.0, -138 / 60.0, "Az Err: 1'1\" El Err: -2'18\"", "Az Err: 1'1\" El Err: -2'18\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ModelResultText(c.a, c.e), c.truncated);
        EXPECT_EQ(ModelResultText(c.a, c.e, SecondsRounding::Nearest), c.nearest);
    }
}

}  // namespace
}  // namespace kov::test

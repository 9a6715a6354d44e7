#include "mount/telescope_choice.h"

#include <gtest/gtest.h>

#include "support/fake_devices.h"

namespace kov::test {
namespace {

using Calls = std::vector<std::string>;

TEST(TelescopeChoice, ChooseCreatesTheChosenDriverWithoutConnectingIt) {
    FakeBench b;
    b.objects.chooserPick = "ASCOM.Simulator.Telescope";
    ChooseTelescope(b.st);
    EXPECT_EQ(b.objects.calls(),
              (Calls{"create DriverHelper.Chooser", "DriverHelper.Chooser.DeviceType = Telescope",
                     "DriverHelper.Chooser.Choose Gemini.Telescope",
                     "create ASCOM.Simulator.Telescope", "release DriverHelper.Chooser"}));
    EXPECT_EQ(b.st.settings.driverId, "ASCOM.Simulator.Telescope");
    EXPECT_EQ(b.st.settings.ScopeName(), "ASCOM.Simulator.Telescope");
    EXPECT_NE(b.st.devices.ascom, nullptr);
}

TEST(TelescopeChoice, ChooseWithoutAChooserKeepsTheIdentifierAndACancelEmptiesIt) {
    FakeBench b;
    b.objects.fail("create DriverHelper.Chooser", 429, "no ASCOM platform");
    ChooseTelescope(b.st);
    EXPECT_EQ(b.st.settings.driverId, "Gemini.Telescope");
    EXPECT_TRUE(b.objects.log->saw("create Gemini.Telescope"));

    b.objects.log->failures.clear();
    b.objects.chooserPick = "";
    ChooseTelescope(b.st);
    EXPECT_EQ(b.st.settings.driverId, "");
    EXPECT_EQ(b.st.settings.ScopeName(), "");
    EXPECT_EQ(b.st.devices.ascom, nullptr);  // the earlier choice's driver is gone too
    EXPECT_TRUE(b.ui.boxes.empty());
}

TEST(TelescopeChoice, ConnectWithTheDefaultIdentifierShowsNameAndModelToTheNearestSecond) {
    FakeBench b;
    b.objects.driver->name = "Gemini Telescope .NET";
    b.objects.driver->nativeReplies = {{"<201:", "119.994"}, {"<202:", "-30"}};
    ConnectTelescope(b.st);
    EXPECT_FALSE(b.objects.log->saw("create DriverHelper.Chooser"));
    const Calls expected{"create Gemini.Telescope",
                         "Gemini.Telescope.Connected",
                         "Gemini.Telescope.Connected = true",
                         "Gemini.Telescope.Connected",
                         "Gemini.Telescope.Name",
                         "Gemini.Telescope.Connected = false",
                         "release Gemini.Telescope",
                         "create Gemini.Telescope"};
    EXPECT_EQ(Calls(b.objects.calls().begin(), b.objects.calls().begin() + 8), expected);
    EXPECT_EQ(b.st.settings.ScopeName(), "Gemini Telescope .NET");
    EXPECT_EQ(b.st.settings.driverName, "Gemini Telescope .NET");
    EXPECT_EQ(b.ui.label(Label::GeminiResult), "Az Err: 2'0\" El Err: -0'30\"");
    EXPECT_EQ(b.st.devices.ascom, nullptr);
    EXPECT_TRUE(b.st.log.text().empty());
    EXPECT_TRUE(b.ui.boxes.empty());
}

TEST(TelescopeChoice, ConnectWithAnEmptyIdentifierOpensTheChooserFirst) {
    FakeBench b;
    b.st.settings.driverId = "";
    ConnectTelescope(b.st);
    EXPECT_EQ(b.objects.calls().front(), "create DriverHelper.Chooser");
    EXPECT_TRUE(b.objects.log->saw("DriverHelper.Chooser.Choose "));
    EXPECT_EQ(b.st.settings.driverId, "Gemini.Telescope");
    EXPECT_EQ(b.st.settings.ScopeName(), "Gemini");
    EXPECT_EQ(b.ui.label(Label::GeminiResult), "Az Err: 1'30\" El Err: -0'15\"");
}

TEST(TelescopeChoice, ADriverThatWillNotConnectIsReportedAndNothingIsAsked) {
    FakeBench b;
    b.objects.driver->refusesConnection = true;
    ConnectTelescope(b.st);
    ASSERT_EQ(b.ui.boxes.size(), 1u);
    EXPECT_EQ(b.ui.boxes[0].text, "Cannot connect to Gemini");
    EXPECT_EQ(b.ui.boxes[0].title, "KOV - Telescope Driver Error");
    EXPECT_EQ(b.ui.boxes[0].icon, Icon::Exclamation);
    EXPECT_FALSE(b.objects.log->saw("Gemini.Telescope.Name"));
    EXPECT_TRUE(b.objects.log->starting("Gemini.Telescope.Command").empty());
    EXPECT_EQ(b.ui.label(Label::GeminiResult), "");
}

TEST(TelescopeChoice, ADriverThatCannotBeCreatedGetsBothMessages) {
    FakeBench b;
    b.objects.fail("create Gemini.Telescope", 429, "not registered");
    ConnectTelescope(b.st);
    ASSERT_EQ(b.ui.boxes.size(), 2u);
    EXPECT_EQ(b.ui.boxes[0].text, "ASCOM Telescope not connected!");
    EXPECT_EQ(b.ui.boxes[0].title, "KOV - ASCOM Telescope Error");
    EXPECT_EQ(b.ui.boxes[0].icon, Icon::Exclamation);
    EXPECT_EQ(b.ui.boxes[1].text, "Cannot connect to Gemini");
}

TEST(TelescopeChoice, AControllerWithoutValidRepliesLeavesTheResultLabelAlone) {
    FakeBench b;
    b.ui.setLabel(Label::GeminiResult, "before");
    b.objects.driver->nativeReplies["<202:"] = "Error";
    ConnectTelescope(b.st);
    EXPECT_EQ(b.ui.label(Label::GeminiResult), "before");
    EXPECT_EQ(b.st.settings.ScopeName(), "Gemini");
    EXPECT_TRUE(b.ui.boxes.empty());
}

}  // namespace
}  // namespace kov::test

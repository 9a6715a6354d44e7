#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "support/memory_store.h"
#include "support/test_station.h"
#include "ui/run_settings.h"

namespace kov {
namespace {

using test::MemoryStore;
using test::RecordedBox;
using test::TestBench;

// The settings block of the defaults with TheSky 5.
const std::string kDefaultBlock =
    "KOV Settings\r\n"
    "   Initial Move in RA =10\r\n"
    "   Move in RA = 5  Move in DEC = 5\r\n"
    "   RA Range = 70  DEC Range = 30\r\n"
    "   Aligns = 10\r\n"
    "   Pixel Scale = 1\r\n"
    "   Exposure = 10\r\n"
    "   Bin mode = 2x2\r\n"
    "   Auto Dark= 1\r\n"
    "   Delay = 2\r\n"
    "   Gemini = Gemini.Telescope\r\n"
    "   Movement = Zig-Zag\r\n"
    "   TheSky v5\r\n"
    "   Camera Software = CCDSoft";

TEST(RunSettingsLoad, EmptyStoreGivesTheDefaults) {
    RunSettings s;
    s.InitialMoveRA = "changed";
    s.BinMode = 4;
    s.OptionSky5 = false;
    s.tSouth = "1";
    MemoryStore store;
    LoadSettings(s, store);
    EXPECT_EQ(SettingsBlock(s), kDefaultBlock);
    for (const auto* h : {&s.tEast, &s.tWest, &s.tNorth, &s.tSouth}) {
        EXPECT_EQ(h->get(), "30");
    }
    EXPECT_EQ(s.ScopeName(), "Gemini");
    EXPECT_TRUE(store.writtenKeys.empty());
}

// The settings loaded from a store holding one stored value.
std::unique_ptr<RunSettings> LoadedWith(const std::string& key, const std::string& value) {
    MemoryStore store;
    store.put(key, value);
    auto s = std::make_unique<RunSettings>();
    LoadSettings(*s, store);
    return s;
}

TEST(RunSettingsLoad, StoredValuesConvertOrFallBackToTheKeysDefault) {
    // Only the exact words select Zig-Zag and TheSky 5.
    for (const char* m : {"PointList", "Fractal", "zigzag"}) {
        EXPECT_FALSE(LoadedWith("Movement", m)->bZigZag()) << m;
    }
    EXPECT_TRUE(LoadedWith("Movement", "ZigZag")->bZigZag());
    for (const char* v : {"6", "7", "", "5 "}) {
        EXPECT_FALSE(LoadedWith("TheSky Version", v)->OptionSky5()) << '"' << v << '"';
    }
    // Bin Mode is a position counted from 1, rounded half to even; out of range is the default.
    const std::pair<const char*, const char*> bins[] = {
        {"1", "1x1"}, {"4", "4x4"}, {"5", "5x5"}, {"1.5", "1x1"},  {"2.5", "3x3"},
        {"9", "2x2"}, {"0", "2x2"}, {"x", "2x2"}, {"1e999", "2x2"}};
    for (const auto& [stored, text] : bins) {
        EXPECT_STREQ(LoadedWith("Bin Mode", stored)->BinModeText(), text) << stored;
    }
    const std::pair<const char*, bool> cameras[] = {{"False", false}, {"false", false},
                                                    {"0", false},     {"-1", true},
                                                    {"maybe", true},  {"", true}};
    for (const auto& [stored, ccd] : cameras) {
        EXPECT_EQ(LoadedWith("CCDSoft", stored)->bCCDSoft(), ccd) << stored;
    }
    const std::pair<const char*, CheckState> darks[] = {{"0", CheckState::Unchecked},
                                                        {"2", CheckState::Grayed},
                                                        {"x", CheckState::Checked},
                                                        {"7", CheckState::Checked}};
    for (const auto& [stored, state] : darks) {
        EXPECT_EQ(LoadedWith("AutoDark", stored)->bAutoDark(), state) << stored;
    }
}

TEST(RunSettingsSave, WritesEveryKeyInOrderAndLoadsBackTheSame) {
    TestBench b;
    RunSettings& s = b.st.settings;
    s.InitialMoveRA = " 12abc";  // kept as typed
    s.Delay = "";
    s.BinMode = 3;
    s.bAutoDark = CheckState::Unchecked;
    s.bCCDSoft = false;
    s.bZigZag = false;
    s.OptionSky5 = false;
    s.driverId = "Other.Telescope";
    s.driverName = "Stored name";
    s.ScopeName = "Shown name";  // the label is stored, not the loaded name
    MemoryStore store;
    SaveSettings(s, store, b.st.log);

    std::string written;
    for (const auto& key : store.writtenKeys) {
        written += key + "=" + store.at(key) + ";";
    }
    EXPECT_EQ(written,
              "Initial Move in RA= 12abc;Move in RA=5;Move in DEC=5;RA Max Range=70;"
              "DEC Max Range=30;Image Scale=1;Exposure Length=10;Bin Mode=4;Number of Aligns=10;"
              "Exposure Delay=;ASCOM Scope ID=Other.Telescope;ASCOM Scope Name=Shown name;"
              "Alt East=30;Alt West=30;Alt North=30;Alt South=30;Movement=PointList;"
              "CCDSoft=False;AutoDark=0;TheSky Version=6;");
    EXPECT_EQ(b.st.log.text(), "21:05:03  KOV Exiting\r\n");

    RunSettings back;
    LoadSettings(back, store);
    MemoryStore again;
    SaveSettings(back, again, b.st.log);
    EXPECT_EQ(again.values, store.values);
}

class ValidateInputTest : public ::testing::Test {
  protected:
    TestBench b;
    RunSettings& s = b.st.settings;

    // The message shown, or "" when the input was accepted.
    std::string check() {
        b.ui.boxes.clear();
        const bool ok = ValidateInput(s, b.ui);
        if (ok) {
            EXPECT_TRUE(b.ui.boxes.empty());
            return "";
        }
        const RecordedBox& box = b.ui.boxes.at(0);
        EXPECT_EQ(std::tuple(b.ui.boxes.size(), box.title, box.icon, box.buttons),
                  std::tuple(1u, "KOV - Invalid input", Icon::Exclamation, Buttons::Ok));
        return box.text;
    }
};

TEST_F(ValidateInputTest, ZigZagChecksTheInitialMoveBoundsAndTheMoveSize) {
    const std::string initial = "Invalid number entered for Initial Move in RA";
    for (const char* bad : {"0", "90", "abc", "", "-5", "1e999", "90.0001"}) {
        s.InitialMoveRA = bad;
        EXPECT_EQ(check(), initial) << bad;
    }
    for (const char* good : {"45abc", "89.99", "0.5", " 10"}) {
        s.InitialMoveRA = good;
        EXPECT_EQ(check(), "") << good;
    }
    s.MoveInRA = "abc";
    EXPECT_EQ(check(), "");
    s.MoveInRA = "-3";
    EXPECT_EQ(check(), "");
    s.MoveInRA = "1e999";
    EXPECT_EQ(check(), "Invalid number entered for Move Size in RA");
    // Horizon heights belong to the other pattern.
    s.MoveInRA = "5";
    s.tWest = "95";
    EXPECT_EQ(check(), "");
}

TEST_F(ValidateInputTest, MapPointsChecksHorizonHeightsEastWestNorthSouth) {
    s.bZigZag = false;
    s.InitialMoveRA = "0";  // not this pattern's business
    EXPECT_EQ(check(), "");
    s.tWest = "95";
    s.tNorth = "0";
    EXPECT_EQ(check(), "Invalid number entered for West Elevation (must be between 0 and 90)");
    s.tWest = "89.9";
    EXPECT_EQ(check(), "Invalid number entered for North Elevation (must be between 0 and 90)");
    s.tNorth = "30";
    s.tEast = "1e999";
    s.tSouth = "";
    EXPECT_EQ(check(), "Invalid number entered for East Elevation (must be between 0 and 90)");
    s.tEast = "0.5";
    EXPECT_EQ(check(), "Invalid number entered for South Elevation (must be between 0 and 90)");
}

TEST(LogSettings, TheBlockForTheSky5AndTheSky6) {
    TestBench b;
    LogSettings(b.st.settings, b.st.log);
    EXPECT_EQ(b.st.log.text(), "21:05:03  " + kDefaultBlock + "\r\n");

    TestBench b6;
    RunSettings& s = b6.st.settings;
    s.OptionSky5 = false;
    s.bCCDSoft = false;
    s.bZigZag = false;
    s.BinMode = 0;
    s.bAutoDark = CheckState::Unchecked;
    LogSettings(s, b6.st.log);
    const std::string& t = b6.st.log.text();
    EXPECT_NE(t.find("   Bin mode = 1x1\r\n   Auto Dark= 0\r\n"), std::string::npos);
    EXPECT_NE(t.find("   Movement = Point List\r\n"
                     "   TheSky v6\r\n"
                     "\r\n"
                     "   Camera Software = MaxIm DL\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace kov

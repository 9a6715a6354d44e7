#include <gtest/gtest.h>

#include <tuple>

#include "model/run_settings.h"
#include "support/memory_store.h"
#include "support/test_station.h"

namespace kov {
namespace {

using test::MemoryStore;
using test::TestBench;

// An empty store gives the defaults, whatever the fields held; their settings block, and the
// block's lines that differ for TheSky 6, MaxIm DL and Map Points.
TEST(RunSettings, EmptyStoreGivesTheDefaultsAndTheSettingsBlockShowsThem) {
    TestBench b;
    RunSettings& s = b.st.settings;
    s.BinMode = 4;
    s.tSouth = "1";
    MemoryStore store;
    LoadSettings(s, store);
    LogSettings(s, b.st.log);
    EXPECT_EQ(b.st.log.text(),
              "21:05:03  KOV Settings\r\n"
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
              "   Camera Software = CCDSoft\r\n");
    EXPECT_EQ(s.tSouth(), "30");
    EXPECT_EQ(s.ScopeName(), "Gemini");
    EXPECT_TRUE(store.writtenKeys.empty());

    s.OptionSky5 = false;
    s.bCCDSoft = false;
    s.bZigZag = false;
    s.BinMode = 0;
    s.bAutoDark = CheckState::Unchecked;
    EXPECT_NE(SettingsBlock(s).find("   Bin mode = 1x1\r\n   Auto Dark= 0\r\n"), std::string::npos);
    EXPECT_NE(SettingsBlock(s).find("   Movement = Point List\r\n   TheSky v6\r\n\r\n"
                                    "   Camera Software = MaxIm DL"),
              std::string::npos);
}

// Stored texts convert as the window reads them; what does not convert falls back to the key's
// default. Shown: Zig-Zag, TheSky 5, CCDSoft (1 or 0), the bin mode and Auto Dark (0, 1, 2).
TEST(RunSettings, StoredValuesConvertOrFallBackToTheKeysDefault) {
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"Movement", "ZigZag", "1 1 1 2x2 1"},  {"Movement", "zigzag", "0 1 1 2x2 1"},
        {"TheSky Version", "6", "1 0 1 2x2 1"}, {"TheSky Version", "5 ", "1 0 1 2x2 1"},
        {"CCDSoft", "False", "1 1 0 2x2 1"},    {"CCDSoft", "0", "1 1 0 2x2 1"},
        {"CCDSoft", "-1", "1 1 1 2x2 1"},       {"CCDSoft", "maybe", "1 1 1 2x2 1"},
        {"Bin Mode", "1", "1 1 1 1x1 1"},       {"Bin Mode", "5", "1 1 1 5x5 1"},
        {"Bin Mode", "1.5", "1 1 1 1x1 1"},     {"Bin Mode", "2.5", "1 1 1 3x3 1"},
        {"Bin Mode", "9", "1 1 1 2x2 1"},       {"Bin Mode", "x", "1 1 1 2x2 1"},
        {"Bin Mode", "1e999", "1 1 1 2x2 1"},   {"AutoDark", "0", "1 1 1 2x2 0"},
        {"AutoDark", "2", "1 1 1 2x2 2"},       {"AutoDark", "7", "1 1 1 2x2 1"},
    };
    for (const auto& [key, stored, shown] : rows) {
        SCOPED_TRACE(std::string(key) + "=" + stored);
        MemoryStore store;
        store.put(key, stored);
        RunSettings s;
        LoadSettings(s, store);
        EXPECT_EQ(std::to_string(s.bZigZag()) + " " + std::to_string(s.OptionSky5()) + " " +
                      std::to_string(s.bCCDSoft()) + " " + s.BinModeText() + " " +
                      std::to_string(static_cast<int>(s.bAutoDark())),
                  shown);
    }
}

TEST(RunSettings, SaveWritesEveryKeyInOrderAndLoadsBackTheSame) {
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

// Each pattern checks its own fields, in the order East, West, North, South for the heights;
// the message is the first failure's, in one "KOV - Invalid input" box.
TEST(RunSettings, ValidateInputChecksThePatternsOwnFields) {
    using Field = Observable<std::string> RunSettings::*;
    const std::string initial = "Invalid number entered for Initial Move in RA";
    const auto height = [](const std::string& side) {
        return "Invalid number entered for " + side + " Elevation (must be between 0 and 90)";
    };
    const struct {
        bool zigZag;
        std::vector<std::pair<Field, const char*>> set;
        std::string says;  // "" when accepted
    } rows[] = {
        {true, {{&RunSettings::InitialMoveRA, "0"}}, initial},
        {true, {{&RunSettings::InitialMoveRA, "90"}}, initial},
        {true, {{&RunSettings::InitialMoveRA, "90.0001"}}, initial},
        {true, {{&RunSettings::InitialMoveRA, ""}}, initial},
        {true, {{&RunSettings::InitialMoveRA, "1e999"}}, initial},
        {true, {{&RunSettings::InitialMoveRA, "45abc"}, {&RunSettings::tWest, "95"}}, ""},
        {true, {{&RunSettings::InitialMoveRA, " 0.5"}}, ""},
        {true, {{&RunSettings::MoveInRA, "-3"}}, ""},
        {true, {{&RunSettings::MoveInRA, "1e999"}}, "Invalid number entered for Move Size in RA"},
        {false, {{&RunSettings::InitialMoveRA, "0"}, {&RunSettings::tEast, "0.5"}}, ""},
        {false, {{&RunSettings::tWest, "95"}, {&RunSettings::tNorth, "0"}}, height("West")},
        {false, {{&RunSettings::tNorth, "0"}, {&RunSettings::tSouth, "90"}}, height("North")},
        {false, {{&RunSettings::tEast, "1e999"}, {&RunSettings::tWest, "95"}}, height("East")},
        {false, {{&RunSettings::tSouth, ""}}, height("South")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.says + (row.zigZag ? " zig-zag " : " map points ") + row.set[0].second);
        TestBench b;
        RunSettings& s = b.st.settings;
        s.bZigZag = row.zigZag;
        for (const auto& [field, value] : row.set) {
            (s.*field) = value;
        }
        EXPECT_EQ(ValidateInput(s, b.ui), row.says.empty());
        if (row.says.empty()) {
            EXPECT_TRUE(b.ui.boxes.empty());
            continue;
        }
        ASSERT_EQ(b.ui.boxes.size(), 1u);
        const auto& box = b.ui.boxes[0];
        EXPECT_EQ(std::tuple(box.text, box.title, box.icon, box.buttons),
                  std::tuple(row.says, "KOV - Invalid input", Icon::Exclamation, Buttons::Ok));
    }
}

}  // namespace
}  // namespace kov

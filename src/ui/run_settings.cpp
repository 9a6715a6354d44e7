#include "ui/run_settings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

#include "station/automation_error.h"
#include "station/operator.h"
#include "station/settings_store.h"
#include "station/texts.h"
#include "ui/operator_log.h"

namespace kov {

namespace {

struct Key {
    const char* name;
    const char* defaultValue;
};

constexpr Key kInitialMoveRA{"Initial Move in RA", "10"};
constexpr Key kMoveInRA{"Move in RA", "5"};
constexpr Key kMoveInDEC{"Move in DEC", "5"};
constexpr Key kReverseRA{"RA Max Range", "70"};
constexpr Key kDECMaxRange{"DEC Max Range", "30"};
constexpr Key kNumberOfAligns{"Number of Aligns", "10"};
constexpr Key kPixelScale{"Image Scale", "1"};
constexpr Key kExposure{"Exposure Length", "10"};
constexpr Key kBinMode{"Bin Mode", "2"};
constexpr Key kDelay{"Exposure Delay", "2"};
constexpr Key kEast{"Alt East", "30"};
constexpr Key kWest{"Alt West", "30"};
constexpr Key kNorth{"Alt North", "30"};
constexpr Key kSouth{"Alt South", "30"};
constexpr Key kCCDSoft{"CCDSoft", "True"};
constexpr Key kAutoDark{"AutoDark", "1"};
constexpr Key kMovement{"Movement", "ZigZag"};
constexpr Key kScopeId{"ASCOM Scope ID", "Gemini.Telescope"};
constexpr Key kScopeName{"ASCOM Scope Name", "Gemini"};
constexpr Key kSkyVersion{"TheSky Version", "5"};

std::string Read(const SettingsStore& store, const Key& key) {
    return store.get(kSettingsApp, kSettingsSection, key.name, key.defaultValue);
}

void Write(SettingsStore& store, const Key& key, const std::string& value) {
    store.set(kSettingsApp, kSettingsSection, key.name, value);
}

std::string Trim(const std::string& text) {
    const auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    auto first = std::find_if(text.begin(), text.end(), notSpace);
    auto last = std::find_if(text.rbegin(), text.rend(), notSpace).base();
    return first < last ? std::string(first, last) : std::string();
}

// A text that is a number as a whole (not only at its start), or nothing.
std::optional<double> WholeNumber(const std::string& text) {
    const std::string t = Trim(text);
    if (t.empty()) {
        return std::nullopt;
    }
    const char* begin = t.data() + (t.front() == '+' ? 1 : 0);
    double value = 0;
    auto [ptr, ec] = std::from_chars(begin, t.data() + t.size(), value);
    if (ec != std::errc() || ptr != t.data() + t.size()) {
        return std::nullopt;
    }
    return value;
}

bool EqualsNoCase(const std::string& a, const char* b) {
    const std::string bs(b);
    return a.size() == bs.size() &&
           std::equal(a.begin(), a.end(), bs.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

int LoadBinMode(const std::string& stored) {
    try {
        const long long position = RoundHalfEven(LeadingNumber(stored) - 1.0);
        if (position >= 0 && position < static_cast<long long>(kBinModes.size())) {
            return static_cast<int>(position);
        }
    } catch (const AutomationError&) {
    }
    return 1;
}

bool LoadCCDSoft(const std::string& stored) {
    const std::string t = Trim(stored);
    if (EqualsNoCase(t, "True")) {
        return true;
    }
    if (EqualsNoCase(t, "False")) {
        return false;
    }
    if (auto number = WholeNumber(t)) {
        return *number != 0.0;
    }
    return true;
}

CheckState LoadAutoDark(const std::string& stored) {
    if (auto number = WholeNumber(stored)) {
        const long long state = RoundHalfEven(*number);
        if (state >= 0 && state <= 2) {
            return static_cast<CheckState>(state);
        }
    }
    return CheckState::Checked;
}

}  // namespace

void LoadSettings(RunSettings& s, const SettingsStore& store) {
    s.BinMode = 1;
    s.InitialMoveRA = Read(store, kInitialMoveRA);
    s.MoveInRA = Read(store, kMoveInRA);
    s.MoveInDEC = Read(store, kMoveInDEC);
    s.ReverseRA = Read(store, kReverseRA);
    s.DECMaxRange = Read(store, kDECMaxRange);
    s.NumberOfAligns = Read(store, kNumberOfAligns);
    s.PixelScale = Read(store, kPixelScale);
    s.Exposure = Read(store, kExposure);
    s.BinMode = LoadBinMode(Read(store, kBinMode));
    s.Delay = Read(store, kDelay);
    s.tEast = Read(store, kEast);
    s.tWest = Read(store, kWest);
    s.tNorth = Read(store, kNorth);
    s.tSouth = Read(store, kSouth);
    s.bCCDSoft = LoadCCDSoft(Read(store, kCCDSoft));
    s.bAutoDark = LoadAutoDark(Read(store, kAutoDark));
    s.bZigZag = Read(store, kMovement) == "ZigZag";
    s.driverId = Read(store, kScopeId);
    s.driverName = Read(store, kScopeName);
    s.ScopeName = s.driverName;
    s.OptionSky5 = Read(store, kSkyVersion) == "5";
}

void SaveSettings(const RunSettings& s, SettingsStore& store, OperatorLog& log) {
    Write(store, kInitialMoveRA, s.InitialMoveRA());
    Write(store, kMoveInRA, s.MoveInRA());
    Write(store, kMoveInDEC, s.MoveInDEC());
    Write(store, kReverseRA, s.ReverseRA());
    Write(store, kDECMaxRange, s.DECMaxRange());
    Write(store, kPixelScale, s.PixelScale());
    Write(store, kExposure, s.Exposure());
    Write(store, kBinMode, std::to_string(s.BinMode() + 1));
    Write(store, kNumberOfAligns, s.NumberOfAligns());
    Write(store, kDelay, s.Delay());
    Write(store, kScopeId, s.driverId);
    Write(store, kScopeName, s.ScopeName());
    Write(store, kEast, s.tEast());
    Write(store, kWest, s.tWest());
    Write(store, kNorth, s.tNorth());
    Write(store, kSouth, s.tSouth());
    Write(store, kMovement, s.bZigZag() ? "ZigZag" : "PointList");
    Write(store, kCCDSoft, s.bCCDSoft() ? "True" : "False");
    Write(store, kAutoDark, std::to_string(static_cast<int>(s.bAutoDark())));
    Write(store, kSkyVersion, s.OptionSky5() ? "5" : "6");
    store.commit();
    log.AddLog("KOV Exiting");
}

bool ValidateInput(const RunSettings& s, Operator& ui) {
    // A conversion error is only recorded; the bound checks then reject the field.
    bool errorRecorded = false;
    const auto number = [&errorRecorded](const std::string& text) {
        try {
            return LeadingNumber(text);
        } catch (const AutomationError&) {
            errorRecorded = true;
            return 0.0;
        }
    };
    const auto reject = [&ui](const std::string& message) {
        ui.messageBox(message, "KOV - Invalid input", Buttons::Ok, Icon::Exclamation);
        return false;
    };

    if (s.bZigZag()) {
        const double x = number(s.InitialMoveRA());
        if (errorRecorded || x <= 0 || x >= 90) {
            return reject("Invalid number entered for Initial Move in RA");
        }
        number(s.MoveInRA());
        if (errorRecorded) {
            return reject("Invalid number entered for Move Size in RA");
        }
        return true;
    }

    const struct {
        const Observable<std::string>& field;
        const char* name;
    } horizon[] = {{s.tEast, "East"}, {s.tWest, "West"}, {s.tNorth, "North"}, {s.tSouth, "South"}};
    for (const auto& h : horizon) {
        const double x = number(h.field());
        if (errorRecorded || x <= 0 || x >= 90) {
            return reject(std::string("Invalid number entered for ") + h.name +
                          " Elevation (must be between 0 and 90)");
        }
    }
    return true;
}

std::string SettingsBlock(const RunSettings& s) {
    std::string t;
    t += std::string("KOV Settings") + kCrLf;
    t += "   Initial Move in RA =" + s.InitialMoveRA() + kCrLf;
    t += "   Move in RA = " + s.MoveInRA() + "  Move in DEC = " + s.MoveInDEC() + kCrLf;
    t += "   RA Range = " + s.ReverseRA() + "  DEC Range = " + s.DECMaxRange() + kCrLf;
    t += "   Aligns = " + s.NumberOfAligns() + kCrLf;
    t += "   Pixel Scale = " + s.PixelScale() + kCrLf;
    t += "   Exposure = " + s.Exposure() + kCrLf;
    t += std::string("   Bin mode = ") + s.BinModeText() + kCrLf;
    t += "   Auto Dark= " + std::to_string(static_cast<int>(s.bAutoDark())) + kCrLf;
    t += "   Delay = " + s.Delay() + kCrLf;
    t += "   Gemini = " + s.driverId + kCrLf;
    t += std::string("   Movement = ") + (s.bFractal() ? "Point List" : "Zig-Zag") + kCrLf;
    if (s.OptionSky5()) {
        t += std::string("   TheSky v5") + kCrLf;
    } else {
        t += std::string("   TheSky v6") + kCrLf + kCrLf;
    }
    t += s.bCCDSoft() ? "   Camera Software = CCDSoft" : "   Camera Software = MaxIm DL";
    return t;
}

void LogSettings(const RunSettings& s, OperatorLog& log) {
    log.AddLog(SettingsBlock(s));
}

}  // namespace kov

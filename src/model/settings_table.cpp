#include "model/settings_table.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <optional>

#include "station/automation_error.h"
#include "station/texts.h"

namespace kov {

namespace {

using S = RunSettings;

constexpr SettingField TextField(const char* control, const char* caption, const char* key,
                                 const char* defaultValue, Observable<std::string> S::*member) {
    return {SettingKind::Text, control, caption, key, defaultValue, member};
}

constexpr SettingField Pair(const char* control, const char* caption, const char* other,
                            const char* otherCaption, const char* key, const char* defaultValue,
                            Observable<bool> S::*member, const char* on, const char* off) {
    return {SettingKind::OptionPair,
            control,
            caption,
            key,
            defaultValue,
            nullptr,
            member,
            other,
            otherCaption,
            on,
            off};
}

const std::array kTable{
    TextField("InitialMoveRA", "Initial Move in RA:", "Initial Move in RA", "10",
              &S::InitialMoveRA),
    TextField("MoveInRA", "Move size in RA:", "Move in RA", "5", &S::MoveInRA),
    TextField("MoveInDEC", "Move size in DEC:", "Move in DEC", "5", &S::MoveInDEC),
    TextField("ReverseRA", "RA Max Range:", "RA Max Range", "70", &S::ReverseRA),
    TextField("DECMaxRange", "DEC Max Range:", "DEC Max Range", "30", &S::DECMaxRange),
    TextField("PixelScale", "Pixel Scale:", "Image Scale", "1", &S::PixelScale),
    TextField("Exposure", "Exposure (sec)", "Exposure Length", "10", &S::Exposure),
    SettingField{SettingKind::BinMode, "BinMode", "Bin:", "Bin Mode", "2"},
    TextField("NumberOfAligns", "Points:", "Number of Aligns", "10", &S::NumberOfAligns),
    TextField("Delay", "Delay:", "Exposure Delay", "2", &S::Delay),
    SettingField{SettingKind::Driver, "driverId", "", "ASCOM Scope ID", "Gemini.Telescope"},
    SettingField{SettingKind::Driver, "ScopeName", "", "ASCOM Scope Name", "Gemini"},
    TextField("tEast", "In the East:", "Alt East", "30", &S::tEast),
    TextField("tWest", "In the West:", "Alt West", "30", &S::tWest),
    TextField("tNorth", "In the North:", "Alt North", "30", &S::tNorth),
    TextField("tSouth", "In the South:", "Alt South", "30", &S::tSouth),
    Pair("bZigZag", "Zig-Zag", "bFractal", "Map Points", "Movement", "ZigZag", &S::bZigZag,
         "ZigZag", "PointList"),
    Pair("bCCDSoft", "CCDSoft", "bMaxim", "MaxIm DL", "CCDSoft", "True", &S::bCCDSoft, "True",
         "False"),
    SettingField{SettingKind::AutoDark, "bAutoDark", "Auto Dark", "AutoDark", "1"},
    Pair("OptionSky5", "TheSky 5 Level IV", "OptionSky6", "TheSky 6 Professional", "TheSky Version",
         "5", &S::OptionSky5, "5", "6"),
    // The walk's first direction is not kept between sessions.
    Pair("WestFirst", "West", "EastFirst", "East", nullptr, "True", &S::WestFirst, "True", "False"),
};

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

// "True" and "False" in any case, or a number (non-zero is true); anything else is true, as
// the camera choice has always defaulted.
bool LoadTrueFalse(const std::string& stored) {
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

bool IsScopeName(const SettingField& field) {
    return std::string(field.control) == "ScopeName";
}

}  // namespace

std::span<const SettingField> SettingsTable() {
    return kTable;
}

const SettingField* FindSetting(const std::string& control) {
    for (const SettingField& f : kTable) {
        if (control == f.control || (f.otherControl != nullptr && control == f.otherControl)) {
            return &f;
        }
    }
    return nullptr;
}

std::string StoredText(const RunSettings& s, const SettingField& field) {
    switch (field.kind) {
        case SettingKind::Text:
            return (s.*field.text)();
        case SettingKind::OptionPair:
            return (s.*field.option)() ? field.storedOn : field.storedOff;
        case SettingKind::BinMode:
            return std::to_string(s.BinMode() + 1);
        case SettingKind::AutoDark:
            return std::to_string(static_cast<int>(s.bAutoDark()));
        case SettingKind::Driver:
            return IsScopeName(field) ? s.ScopeName() : s.driverId;
    }
    return {};
}

void SetFromStored(RunSettings& s, const SettingField& field, const std::string& stored) {
    switch (field.kind) {
        case SettingKind::Text:
            s.*field.text = stored;
            return;
        case SettingKind::OptionPair:
            // Words other than "True"/"False" select the first button only when stored exactly.
            s.*field.option = std::string(field.storedOn) == "True" ? LoadTrueFalse(stored)
                                                                    : stored == field.storedOn;
            return;
        case SettingKind::BinMode:
            s.BinMode = LoadBinMode(stored);
            return;
        case SettingKind::AutoDark:
            s.bAutoDark = LoadAutoDark(stored);
            return;
        case SettingKind::Driver:
            if (IsScopeName(field)) {
                s.driverName = stored;
                s.ScopeName = stored;
            } else {
                s.driverId = stored;
            }
            return;
    }
}

}  // namespace kov

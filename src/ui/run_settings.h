#pragma once

#include <array>
#include <string>

#include "ui/observable.h"

namespace kov {

class Operator;
class OperatorLog;
class SettingsStore;

inline constexpr const char* kSettingsApp = "KOV";
inline constexpr const char* kSettingsSection = "Settings";
inline constexpr std::array<const char*, 5> kBinModes = {"1x1", "2x2", "3x3", "4x4", "5x5"};

enum class CheckState { Unchecked = 0, Checked = 1, Grayed = 2 };

// Everything the operator sets up before a run. Text fields hold the text as typed; readers
// convert it with LeadingNumber at each use. Option pairs are one boolean each (the first button
// of the pair), so they are exclusive by construction.
struct RunSettings {
    Observable<std::string> InitialMoveRA{"10"};
    Observable<std::string> MoveInRA{"5"};
    Observable<std::string> MoveInDEC{"5"};
    Observable<std::string> ReverseRA{"70"};
    Observable<std::string> DECMaxRange{"30"};
    Observable<bool> WestFirst{true};  // false: EastFirst
    Observable<std::string> tEast{"30"};
    Observable<std::string> tWest{"30"};
    Observable<std::string> tNorth{"30"};
    Observable<std::string> tSouth{"30"};
    Observable<std::string> NumberOfAligns{"10"};
    Observable<std::string> PixelScale{"1"};
    Observable<std::string> Exposure{"10"};
    Observable<std::string> Delay{"2"};
    Observable<int> BinMode{1};  // selected entry, counted from 0: 1 is "2x2"
    Observable<CheckState> bAutoDark{CheckState::Checked};
    Observable<bool> bCCDSoft{true};              // false: bMaxim
    Observable<bool> bZigZag{true};               // false: bFractal (the Map Points pattern)
    Observable<bool> OptionSky5{true};            // false: OptionSky6
    std::string driverId{"Gemini.Telescope"};     // "ASCOM Scope ID"
    std::string driverName{"Gemini"};             // "ASCOM Scope Name" as loaded
    Observable<std::string> ScopeName{"Gemini"};  // caption of the ScopeName label

    bool bMaxim() const { return !bCCDSoft(); }
    bool bFractal() const { return !bZigZag(); }
    bool OptionSky6() const { return !OptionSky5(); }
    bool EastFirst() const { return !WestFirst(); }
    const char* BinModeText() const { return kBinModes.at(static_cast<std::size_t>(BinMode())); }
};

// Restores every stored field; absent keys and stored values that do not convert give the key's
// default.
void LoadSettings(RunSettings& s, const SettingsStore& store);
// Writes every stored field and commits them together, then logs "KOV Exiting". A commit that
// fails throws AutomationError (nothing is logged); the store then keeps the settings it had.
void SaveSettings(const RunSettings& s, SettingsStore& store, OperatorLog& log);

// True when the fields the chosen pattern needs hold acceptable numbers; otherwise tells the
// operator which one is wrong.
bool ValidateInput(const RunSettings& s, Operator& ui);

// The settings block as one log entry.
std::string SettingsBlock(const RunSettings& s);
void LogSettings(const RunSettings& s, OperatorLog& log);

}  // namespace kov

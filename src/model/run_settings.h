#pragma once

#include <array>
#include <string>

#include "model/observable.h"

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
    RunSettings();  // every field at its stored default (the settings table holds them)
    RunSettings(const RunSettings&) = delete;
    RunSettings& operator=(const RunSettings&) = delete;

    Observable<std::string> InitialMoveRA;
    Observable<std::string> MoveInRA;
    Observable<std::string> MoveInDEC;
    Observable<std::string> ReverseRA;
    Observable<std::string> DECMaxRange;
    Observable<bool> WestFirst;  // false: EastFirst
    Observable<std::string> tEast;
    Observable<std::string> tWest;
    Observable<std::string> tNorth;
    Observable<std::string> tSouth;
    Observable<std::string> NumberOfAligns;
    Observable<std::string> PixelScale;
    Observable<std::string> Exposure;
    Observable<std::string> Delay;
    Observable<int> BinMode;  // selected entry, counted from 0: 1 is "2x2"
    Observable<CheckState> bAutoDark;
    Observable<bool> bCCDSoft;          // false: bMaxim
    Observable<bool> bZigZag;           // false: bFractal (the Map Points pattern)
    Observable<bool> OptionSky5;        // false: OptionSky6
    std::string driverId;               // "ASCOM Scope ID"
    std::string driverName;             // "ASCOM Scope Name" as loaded
    Observable<std::string> ScopeName;  // caption of the ScopeName label

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

#pragma once

#include <span>
#include <string>

#include "model/run_settings.h"

namespace kov {

// How a setting is held by its control and in the settings store.
enum class SettingKind {
    Text,        // a text box; stored as typed
    OptionPair,  // two option buttons, one boolean; stored as one of two words
    BinMode,     // the Bin Mode list; stored as the entry's position counted from 1
    AutoDark,    // the three-state check box; stored as 0, 1 or 2
    Driver,      // the chosen driver; no control of its own, stored only
};

// One setting: the single place that names its member, its control, its stored key and its
// default, so loading, saving, both windows' controls and the headless --set cannot drift apart.
struct SettingField {
    SettingKind kind;
    const char* control;  // the control's name ("InitialMoveRA"); an option pair's first button
    const char* caption;  // the control's caption or row label
    const char* key;      // the stored key, or null for a setting that is not stored
    const char* defaultValue;                              // as stored
    Observable<std::string> RunSettings::*text = nullptr;  // Text
    Observable<bool> RunSettings::*option = nullptr;       // OptionPair: true selects `control`
    const char* otherControl = nullptr;                    // OptionPair: the second button
    const char* otherCaption = nullptr;
    const char* storedOn = nullptr;  // OptionPair: the stored word of the first button
    const char* storedOff = nullptr;
};

// Every setting, in the order the store is written.
std::span<const SettingField> SettingsTable();

// The field whose control (or an option pair's second button) has this name; null if none.
const SettingField* FindSetting(const std::string& control);

// The stored text of a field, and the field set from a stored text (a text that does not
// convert gives the field's default).
std::string StoredText(const RunSettings& s, const SettingField& field);
void SetFromStored(RunSettings& s, const SettingField& field, const std::string& stored);

}  // namespace kov

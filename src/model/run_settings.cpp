#include "model/run_settings.h"

#include <cmath>

#include "model/operator_log.h"
#include "model/settings_table.h"
#include "station/automation_error.h"
#include "station/operator.h"
#include "station/settings_store.h"
#include "station/texts.h"

namespace kov {

RunSettings::RunSettings() {
    for (const SettingField& field : SettingsTable()) {
        SetFromStored(*this, field, field.defaultValue);
    }
}

void LoadSettings(RunSettings& s, const SettingsStore& store) {
    for (const SettingField& field : SettingsTable()) {
        if (field.key != nullptr) {
            SetFromStored(s, field,
                          store.get(kSettingsApp, kSettingsSection, field.key, field.defaultValue));
        }
    }
}

void SaveSettings(const RunSettings& s, SettingsStore& store, OperatorLog& log) {
    for (const SettingField& field : SettingsTable()) {
        if (field.key != nullptr) {
            store.set(kSettingsApp, kSettingsSection, field.key, StoredText(s, field));
        }
    }
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

    // A count that is not a whole number of at least one would end a run "completed, 1 of -5".
    const double count = number(s.NumberOfAligns());
    if (errorRecorded || !(std::nearbyint(count) >= 1.0)) {
        return reject("Invalid number entered for Points (must be 1 or more)");
    }

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

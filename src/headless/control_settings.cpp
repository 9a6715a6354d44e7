#include "headless/control_settings.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "headless/options.h"
#include "model/run_settings.h"
#include "model/settings_table.h"

namespace kov::headless {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool ToBool(const std::string& name, const std::string& value) {
    const std::string word = Lower(value);
    if (word == "true" || word == "1") {
        return true;
    }
    if (word == "false" || word == "0") {
        return false;
    }
    throw UsageError("--set " + name + "=" + value + ": an option button takes true or false");
}

void SetText(Observable<std::string>& field, const std::string& name, const std::string& value) {
    if (value.find_first_of("\r\n") != std::string::npos) {
        throw UsageError("--set " + name + ": a text box holds one line, without line breaks");
    }
    field.set(value);
}

void SetBinMode(RunSettings& s, const std::string& name, const std::string& value) {
    for (std::size_t i = 0; i < kBinModes.size(); ++i) {
        if (Lower(value) == kBinModes[i]) {
            s.BinMode.set(static_cast<int>(i));
            return;
        }
    }
    throw UsageError("--set " + name + "=" + value +
                     ": the entries are 1x1, 2x2, 3x3, 4x4 and 5x5");
}

void SetAutoDark(RunSettings& s, const std::string& name, const std::string& value) {
    const std::string word = Lower(value);
    if (word != "0" && word != "1" && word != "true" && word != "false") {
        throw UsageError("--set " + name + "=" + value +
                         ": the check box takes 0, 1, true or false");
    }
    s.bAutoDark.set(word == "1" || word == "true" ? CheckState::Checked : CheckState::Unchecked);
}

// Every name --set takes, sorted as the usage error lists them.
std::string ControlNames() {
    std::set<std::string> names;
    for (const SettingField& f : SettingsTable()) {
        if (f.kind == SettingKind::Driver) {
            continue;
        }
        names.insert(f.control);
        if (f.otherControl != nullptr) {
            names.insert(f.otherControl);
        }
    }
    std::string list;
    for (const std::string& n : names) {
        list += (list.empty() ? "" : ", ") + n;
    }
    return list;
}

}  // namespace

void SetControl(RunSettings& settings, const std::string& name, const std::string& value) {
    const SettingField* f = FindSetting(name);
    if (f == nullptr || f->kind == SettingKind::Driver) {
        throw UsageError("--set " + name + "=" + value + ": no control is named " + name +
                         "; the names are " + ControlNames());
    }
    switch (f->kind) {
        case SettingKind::Text:
            SetText(settings.*(f->text), name, value);
            return;
        case SettingKind::OptionPair:
            // The second button of a pair is selected by setting the pair's boolean false.
            (settings.*(f->option)).set(ToBool(name, value) == (name == f->control));
            return;
        case SettingKind::BinMode:
            SetBinMode(settings, name, value);
            return;
        case SettingKind::AutoDark:
            SetAutoDark(settings, name, value);
            return;
        case SettingKind::Driver:
            return;
    }
}

}  // namespace kov::headless

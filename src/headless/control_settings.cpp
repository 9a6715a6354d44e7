#include "headless/control_settings.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>

#include "headless/options.h"
#include "ui/run_settings.h"

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

using Setter = std::function<void(RunSettings&, const std::string& name, const std::string&)>;

Setter Text(Observable<std::string> RunSettings::*field) {
    return [field](RunSettings& s, const std::string& name, const std::string& value) {
        if (value.find_first_of("\r\n") != std::string::npos) {
            throw UsageError("--set " + name + ": a text box holds one line, without line breaks");
        }
        (s.*field).set(value);
    };
}

// One button of an option pair; `first` says whether it is the pair's first button.
Setter Option(Observable<bool> RunSettings::*pair, bool first) {
    return [pair, first](RunSettings& s, const std::string& name, const std::string& value) {
        (s.*pair).set(ToBool(name, value) == first);
    };
}

const std::map<std::string, Setter>& Controls() {
    static const std::map<std::string, Setter> controls{
        {"InitialMoveRA", Text(&RunSettings::InitialMoveRA)},
        {"MoveInRA", Text(&RunSettings::MoveInRA)},
        {"MoveInDEC", Text(&RunSettings::MoveInDEC)},
        {"ReverseRA", Text(&RunSettings::ReverseRA)},
        {"DECMaxRange", Text(&RunSettings::DECMaxRange)},
        {"tEast", Text(&RunSettings::tEast)},
        {"tWest", Text(&RunSettings::tWest)},
        {"tNorth", Text(&RunSettings::tNorth)},
        {"tSouth", Text(&RunSettings::tSouth)},
        {"NumberOfAligns", Text(&RunSettings::NumberOfAligns)},
        {"PixelScale", Text(&RunSettings::PixelScale)},
        {"Exposure", Text(&RunSettings::Exposure)},
        {"Delay", Text(&RunSettings::Delay)},
        {"WestFirst", Option(&RunSettings::WestFirst, true)},
        {"EastFirst", Option(&RunSettings::WestFirst, false)},
        {"bCCDSoft", Option(&RunSettings::bCCDSoft, true)},
        {"bMaxim", Option(&RunSettings::bCCDSoft, false)},
        {"bZigZag", Option(&RunSettings::bZigZag, true)},
        {"bFractal", Option(&RunSettings::bZigZag, false)},
        {"OptionSky5", Option(&RunSettings::OptionSky5, true)},
        {"OptionSky6", Option(&RunSettings::OptionSky5, false)},
        {"BinMode",
         [](RunSettings& s, const std::string& name, const std::string& value) {
             for (std::size_t i = 0; i < kBinModes.size(); ++i) {
                 if (Lower(value) == kBinModes[i]) {
                     s.BinMode.set(static_cast<int>(i));
                     return;
                 }
             }
             throw UsageError("--set " + name + "=" + value +
                              ": the entries are 1x1, 2x2, 3x3, 4x4 and 5x5");
         }},
        {"bAutoDark",
         [](RunSettings& s, const std::string& name, const std::string& value) {
             const std::string word = Lower(value);
             if (word != "0" && word != "1" && word != "true" && word != "false") {
                 throw UsageError("--set " + name + "=" + value +
                                  ": the check box takes 0, 1, true or false");
             }
             s.bAutoDark.set(word == "1" || word == "true" ? CheckState::Checked
                                                           : CheckState::Unchecked);
         }},
    };
    return controls;
}

}  // namespace

void SetControl(RunSettings& settings, const std::string& name, const std::string& value) {
    const auto& controls = Controls();
    const auto it = controls.find(name);
    if (it == controls.end()) {
        std::string names;
        for (const auto& [known, setter] : controls) {
            names += (names.empty() ? "" : ", ") + known;
        }
        throw UsageError("--set " + name + "=" + value + ": no control is named " + name +
                         "; the names are " + names);
    }
    it->second(settings, name, value);
}

}  // namespace kov::headless

#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "sim/scenario.h"
#include "station/texts.h"
#include "support/sim_station.h"
#include "support/temp_folder.h"

namespace kov::test {

// A simulated observatory whose image files land in a folder of the test's own, and the settings
// of a run of `points` points that matches its camera.
struct RunStation : SimStation {
    explicit RunStation(sim::Scenario scenario = sim::DefaultScenario(), int points = 10)
        : SimStation(std::move(scenario)) {
        sim.setWorkingDirectory(folder);
        st.settings.NumberOfAligns.set(std::to_string(points));
        st.settings.PixelScale.set(GeneralNumber(sim.scenario().pixelScale));
    }

    // The Gemini commands that sent a point: "CM" and "Cm", separated by spaces.
    std::string sent() const {
        std::string text;
        for (const auto& c : sim.commandLog()) {
            if (c.command == "CM" || c.command == "Cm") {
                text += (text.empty() ? "" : " ") + c.command;
            }
        }
        return text;
    }
    const std::vector<std::string>& history(Label which) { return ui.labelHistory[which]; }

    TempFolder scratch;
    const std::filesystem::path& folder = scratch.root();
};

// The log's entries without their time of day; an entry that holds line breaks stays one entry.
inline std::vector<std::string> LogEntries(const std::string& log) {
    static const std::regex stamp("^\\d\\d:\\d\\d:\\d\\d  ");
    std::vector<std::string> entries;
    std::size_t at = 0;
    while (at < log.size()) {
        std::size_t end = log.find("\r\n", at);
        if (end == std::string::npos) {
            end = log.size();
        }
        const std::string line = log.substr(at, end - at);
        if (std::regex_search(line, stamp) || entries.empty()) {
            entries.push_back(line.size() >= 10 ? line.substr(10) : line);
        } else {
            entries.back() += "\r\n" + line;
        }
        at = end + 2;
    }
    return entries;
}

// Numbers become "#", so a trace shows the shape of each line rather than its values.
inline std::string Masked(const std::string& text) {
    static const std::regex number("-?[0-9]+(\\.[0-9]+)?(E[-+]?[0-9]+)?");
    return std::regex_replace(text, number, "#");
}

// The entries written by the run commands, the run loop and the single sync (not those of the
// imaging procedures), numbers masked.
inline std::vector<std::string> RunTrace(const std::string& log) {
    static const std::regex ours(
        "^(Starting (Model|TEST)|Start RA=|Az Err:|Image [0-9]|ERROR: Plate|Plate Solution|"
        "Mount Position|Doing (Sync|Additional|Performing)|New Gemini|Slewing to|Aborting|"
        "Error occurred|Continuing|Modeling run|Model Run|TEST|Test run|Single Sync|Sync|Add'l|"
        "Error! #|Cannot)");
    std::vector<std::string> trace;
    for (const std::string& entry : LogEntries(log)) {
        if (std::regex_search(entry, ours)) {
            trace.push_back(Masked(entry));
        }
    }
    return trace;
}

inline int Count(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

}  // namespace kov::test

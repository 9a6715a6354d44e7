#pragma once

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/device_objects.h"
#include "run/run_trace.h"

namespace kov::test {

using Lines = std::vector<std::string>;

// The night these tests were made for: a camera of 1.85"/pixel, whose binned scale lies within
// the solver's reach of the scales the checks are tried at.
inline sim::Scenario ImagingNight() {
    sim::Scenario sc = sim::DefaultScenario();
    sc.pixelScale = 1.85;
    return sc;
}

// A connected station on the simulated observatory, camera software as chosen, writing its
// image files into a folder of its own.
struct ImagingStation : RunStation {
    explicit ImagingStation(bool ccdSoft, sim::Scenario scenario = ImagingNight())
        : RunStation(std::move(scenario)) {
        st.settings.bCCDSoft = ccdSoft;
        st.settings.PixelScale = GeneralNumber(sim.scenario().pixelScale);  // the camera's own
        st.settings.Exposure = "2";
        ok = CreateObjects(st) && ConnectObjects(st);
        mark();
    }

    // The simulated programs' operations since the last mark, repeats of a poll kept once.
    Lines calls() const {
        Lines out;
        for (const std::string& call : SimStation::calls()) {
            if (out.empty() || out.back() != call) {
                out.push_back(call);
            }
        }
        return out;
    }
    int count(const std::string& operation) const {
        const Lines all = calls();
        return static_cast<int>(std::count(all.begin(), all.end(), operation));
    }
    bool called(const std::string& operation) const { return count(operation) > 0; }
    void mark() {
        SimStation::mark();
        logMark = st.log.text().size();
        ui.labelHistory.clear();
    }
    // The log entries since the last mark, without their times.
    Lines logLines() const { return LogEntries(st.log.text().substr(logMark)); }
    const Lines& status() { return ui.labelHistory[Label::Status]; }

    bool ok = false;
    std::size_t logMark = 0;
};

}  // namespace kov::test

#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/station.h"
#include "sim/observatory.h"
#include "support/scripted_operator.h"
#include "support/virtual_clock.h"

namespace kov::test {

using Calls = std::vector<std::string>;

// A Station over the simulated observatory: the procedures drive the simulated programs, and a
// test reads what they did from the observatory's logs.
struct SimStation {
    explicit SimStation(sim::Scenario scenario = sim::DefaultScenario())
        : sim(std::move(scenario), clock) {}

    // The operations called since the last mark(), as in callLog.
    Calls calls() const { return Calls(sim.callLog().begin() + callMark, sim.callLog().end()); }
    // The Gemini commands answered since the last mark(), separated by spaces.
    std::string commands() const {
        std::string sent;
        for (auto it = sim.commandLog().begin() + commandMark; it != sim.commandLog().end(); ++it) {
            sent += (sent.empty() ? "" : " ") + it->command;
        }
        return sent;
    }
    void mark() {
        callMark = sim.callLog().size();
        commandMark = sim.commandLog().size();
    }
    // The message boxes shown, as "title: text".
    Calls shown() const {
        Calls boxes;
        for (const RecordedBox& b : ui.boxes) {
            boxes.push_back(b.title + ": " + b.text);
        }
        return boxes;
    }
    bool logged(const std::string& line) const {
        return st.log.text().find("  " + line + "\r\n") != std::string::npos;
    }

    ScriptedOperator ui;
    VirtualClock clock;
    sim::Observatory sim;
    Station st{ui, clock, sim.factory(), sim.desktop()};
    std::size_t callMark = 0;
    std::size_t commandMark = 0;
};

}  // namespace kov::test

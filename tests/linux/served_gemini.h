#pragma once

#include <mutex>
#include <string>

#include "linux/gemini_server.h"
#include "linux/wall_clock.h"
#include "sim/gemini_wire.h"
#include "sim/observatory.h"
#include "sim/scenario.h"

namespace kov::gemini::test {

// The simulated observatory's Gemini served on a real line, in real time.
struct ServedGemini {
    explicit ServedGemini(const std::string& endpoint,
                          sim::Scenario scenario = sim::DefaultScenario())
        : observatory(std::move(scenario), wallClock),
          wire(observatory),
          server(endpoint, [this](const std::string& c) { return wire.answer(c); }) {}

    // Looks at the observatory while the server is not answering.
    template <class F>
    auto inspect(F f) {
        std::lock_guard lock(server.mutex());
        return f(observatory);
    }

    WallClock wallClock;
    sim::Observatory observatory;
    sim::GeminiWire wire;
    GeminiServer server;
};

}  // namespace kov::gemini::test

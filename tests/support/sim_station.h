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

// The simulated observatory's programs; a test may hand out its own wrapper of TheSky's
// telescope or of CCDSoft's images instead.
struct WrappingFactory : ObjectFactory {
    explicit WrappingFactory(ObjectFactory& inner) : in(inner) {}
    std::shared_ptr<AscomTelescope> createAscomTelescope(const std::string& id) override {
        return in.createAscomTelescope(id);
    }
    std::shared_ptr<SkyTelescope> createSkyTelescope(const std::string& id) override {
        return sky ? sky(in.createSkyTelescope(id)) : in.createSkyTelescope(id);
    }
    std::shared_ptr<SkyPlanetarium> createPlanetarium(const std::string& id) override {
        return in.createPlanetarium(id);
    }
    std::shared_ptr<DriverUtil> createDriverUtil(const std::string& id) override {
        return in.createDriverUtil(id);
    }
    std::shared_ptr<DriverChooser> createChooser(const std::string& id) override {
        return in.createChooser(id);
    }
    std::shared_ptr<CcdCamera> createCcdCamera(const std::string& id) override {
        return in.createCcdCamera(id);
    }
    std::shared_ptr<CcdImage> createCcdImage(const std::string& id) override {
        return image ? image(in.createCcdImage(id)) : in.createCcdImage(id);
    }
    std::shared_ptr<MaximApplication> createMaximApplication(const std::string& id) override {
        return in.createMaximApplication(id);
    }
    ObjectFactory& in;
    std::function<std::shared_ptr<SkyTelescope>(std::shared_ptr<SkyTelescope>)> sky;
    std::function<std::shared_ptr<CcdImage>(std::shared_ptr<CcdImage>)> image;
};

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
    WrappingFactory factory{sim.factory()};
    Station st{ui, clock, factory, sim.desktop()};
    std::size_t callMark = 0;
    std::size_t commandMark = 0;
};

}  // namespace kov::test

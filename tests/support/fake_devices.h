#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "station/object_factory.h"
#include "station/station.h"
#include "support/scripted_operator.h"
#include "support/test_station.h"
#include "support/virtual_clock.h"

namespace kov::test {

// Every creation, call and release the fakes saw, in order, as texts such as
// "create TheSky.RASCOMTheSky", "Gemini.Telescope.CommandNative <201:",
// "Gemini.Telescope.Connected = true" (a property set), "Gemini.Telescope.Connected" (a read),
// "release Maxim.Application".
struct CallLog {
    std::vector<std::string> calls;
    // A call text listed here throws its error (after being recorded) every time it is made.
    std::map<std::string, AutomationError> failures;

    void record(const std::string& call);
    bool saw(const std::string& call) const;
    // The recorded calls that begin with prefix, in order.
    std::vector<std::string> starting(const std::string& prefix) const;
};

// How the fake ASCOM drivers behave; read at each call, so a test may change it between calls.
struct DriverScript {
    std::string name = "Gemini";
    bool refusesConnection = false;  // Connected stays false after it is set
    std::map<std::string, std::string> nativeReplies = {{"<201:", "90"}, {"<202:", "-15"}};
};

// An ObjectFactory whose objects record everything into one CallLog. Any identifier can be
// created except the empty one and those listed as failing ("create <id>").
class FakeFactory : public ObjectFactory {
  public:
    std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
    std::shared_ptr<DriverScript> driver = std::make_shared<DriverScript>();
    std::string chooserPick = "Gemini.Telescope";  // what the chooser's Choose returns
    std::weak_ptr<MaximApplication> lastMaximApplication;

    void fail(const std::string& call, std::int32_t number, const std::string& description) {
        log->failures.insert_or_assign(call, AutomationError(number, description));
    }
    const std::vector<std::string>& calls() const { return log->calls; }

    std::shared_ptr<AscomTelescope> createAscomTelescope(const std::string& progId) override;
    std::shared_ptr<SkyTelescope> createSkyTelescope(const std::string& progId) override;
    std::shared_ptr<SkyPlanetarium> createPlanetarium(const std::string& progId) override;
    std::shared_ptr<DriverUtil> createDriverUtil(const std::string& progId) override;
    std::shared_ptr<DriverChooser> createChooser(const std::string& progId) override;
    std::shared_ptr<CcdCamera> createCcdCamera(const std::string& progId) override;
    std::shared_ptr<CcdImage> createCcdImage(const std::string& progId) override;
    std::shared_ptr<MaximApplication> createMaximApplication(const std::string& progId) override;

  private:
    void created(const std::string& progId);
};

// A Station over the recording fakes. Yields and sleeps go into the call log too ("yield",
// "sleep 100"), so a test sees the waits among the calls.
struct FakeBench {
    FakeBench() {
        ui.onYield = [this](int) { objects.log->calls.push_back("yield"); };
        clock.onSleep = [this](std::uint32_t ms) {
            objects.log->calls.push_back("sleep " + std::to_string(ms));
        };
    }
    ScriptedOperator ui;
    VirtualClock clock;
    FakeFactory objects;
    NoDesktop desktop;
    Station st{ui, clock, objects, desktop};
};

}  // namespace kov::test

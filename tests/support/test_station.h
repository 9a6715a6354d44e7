#pragma once

#include "model/station.h"
#include "support/scripted_operator.h"
#include "support/virtual_clock.h"

namespace kov::test {

// A machine with none of the outside programs installed.
class NoPrograms : public ObjectFactory {
    using Id = const std::string&;

  public:
    std::shared_ptr<AscomTelescope> createAscomTelescope(Id id) override { throw CannotCreate(id); }
    std::shared_ptr<SkyTelescope> createSkyTelescope(Id id) override { throw CannotCreate(id); }
    std::shared_ptr<SkyPlanetarium> createPlanetarium(Id id) override { throw CannotCreate(id); }
    std::shared_ptr<DriverUtil> createDriverUtil(Id id) override { throw CannotCreate(id); }
    std::shared_ptr<DriverChooser> createChooser(Id id) override { throw CannotCreate(id); }
    std::shared_ptr<CcdCamera> createCcdCamera(Id id) override { throw CannotCreate(id); }
    std::shared_ptr<CcdImage> createCcdImage(Id id) override { throw CannotCreate(id); }
    std::shared_ptr<MaximApplication> createMaximApplication(Id id) override {
        throw CannotCreate(id);
    }
};

class NoDesktop : public Desktop {
  public:
    std::vector<TopLevelWindow> topLevelWindows() override { return {}; }
    void setForegroundWindow(WindowHandle) override {}
    WindowHandle foregroundWindow() override { return 0; }
    void keyDown(int) override {}
    void keyUp(int) override {}
};

// The ports and a Station over them, for tests of the core.
struct TestBench {
    ScriptedOperator ui;
    VirtualClock clock;
    NoPrograms objects;
    NoDesktop desktop;
    Station st{ui, clock, objects, desktop};
};

}  // namespace kov::test

#pragma once

#include <memory>

#include "sim/sim_world.h"
#include "station/desktop.h"

namespace kov::sim {

// The observatory computer's desktop: the programs' main windows, the foreground window and the
// keyboard. Ctrl+V into the planetarium's window pastes the clipboard's image into it.
class SimDesktop : public Desktop {
  public:
    explicit SimDesktop(std::shared_ptr<SimWorld> world) : world_(std::move(world)) {}

    std::vector<TopLevelWindow> topLevelWindows() override;
    void setForegroundWindow(WindowHandle window) override;
    WindowHandle foregroundWindow() override;
    void keyDown(int virtualKey) override;
    void keyUp(int virtualKey) override;

    static constexpr WindowHandle kPlanetariumWindow = 0x10010;
    static constexpr WindowHandle kMaximWindow = 0x10020;
    static constexpr WindowHandle kCcdSoftWindow = 0x10030;

  private:
    std::shared_ptr<SimWorld> world_;
};

}  // namespace kov::sim

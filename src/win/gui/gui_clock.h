#pragma once

#include <cstdint>
#include <functional>

#include "station/clock.h"

namespace kov::win::gui {

// Time for the native window. Every sleep keeps the window's messages flowing (the pump it is
// given), so STOP, EXIT and repaints work inside each wait.
//
// Real time, optionally faster by a factor (a simulated night in minutes), or virtual time for
// the simulated observatory (`--fast`): a sleep then moves the clock on at once and only lets
// the pending messages through, so a run's log is the same on every machine.
class GuiClock : public Clock {
  public:
    using Pump = std::function<void()>;
    static GuiClock RealTime(double factor, double startEpochSeconds);
    static GuiClock Virtual(double startEpochSeconds);

    void setPump(Pump pump) { pump_ = std::move(pump); }

    void sleep(std::uint32_t ms) override;
    std::uint32_t ticks() const override;
    TimeOfDay timeOfDay() const override;
    double epochSeconds() const override;

  private:
    GuiClock(bool isVirtual, double factor, double startEpochSeconds);
    double elapsedMs() const;

    bool virtual_;
    double factor_;
    double startEpoch_;
    std::uint64_t startCounter_ = 0;
    double counterPerMs_ = 1.0;
    std::uint64_t virtualMs_ = 0;
    Pump pump_;
};

}  // namespace kov::win::gui

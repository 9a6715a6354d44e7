#pragma once

#include <chrono>
#include <cstdint>

#include "station/clock.h"

namespace kov::headless {

// Real time without a window: sleeping blocks the one thread, which is all a runner needs
// (a Ctrl+C is seen at the next yield, at most one sleep slice later).
class SystemClock : public Clock {
  public:
    SystemClock();
    void sleep(std::uint32_t ms) override;
    std::uint32_t ticks() const override;
    TimeOfDay timeOfDay() const override;
    double epochSeconds() const override;

  private:
    std::chrono::steady_clock::time_point started_;
};

// Virtual time for the simulated observatory: a sleep moves the clock on at once, so a whole
// night's run takes a moment. It starts at the given instant (seconds since 1970, UTC) and
// shows the local time of day from there.
class FastClock : public Clock {
  public:
    explicit FastClock(double startEpochSeconds);
    void sleep(std::uint32_t ms) override { elapsedMs_ += ms; }
    std::uint32_t ticks() const override { return static_cast<std::uint32_t>(elapsedMs_); }
    TimeOfDay timeOfDay() const override;
    double epochSeconds() const override;

  private:
    double start_;
    std::uint64_t elapsedMs_ = 0;
};

// The local time of day at an instant given in seconds since 1970.
TimeOfDay LocalTimeOfDay(double epochSeconds);
double NowEpochSeconds();

}  // namespace kov::headless

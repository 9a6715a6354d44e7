#pragma once

#include <cstdint>
#include <functional>

#include "station/clock.h"

namespace kov::test {

// Time that moves only when someone sleeps: whole nights run in milliseconds.
class VirtualClock : public Clock {
  public:
    explicit VirtualClock(std::uint64_t startMs = 21 * 3600 * 1000ULL + 5 * 60 * 1000 + 3000)
        : nowMs_(startMs) {}

    void sleep(std::uint32_t ms) override {
        nowMs_ += ms;
        sleptMs += ms;
        if (onSleep) {
            onSleep(ms);
        }
    }
    std::uint32_t ticks() const override { return static_cast<std::uint32_t>(nowMs_); }
    TimeOfDay timeOfDay() const override {
        const std::uint64_t s = (nowMs_ / 1000) % 86400;
        return {static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60),
                static_cast<int>(s % 60)};
    }
    // The day 2026-12-06 plus the clock's milliseconds.
    double epochSeconds() const override {
        return 1796515200.0 + static_cast<double>(nowMs_) / 1000.0;
    }

    void advance(std::uint64_t ms) { nowMs_ += ms; }
    void setTimeOfDay(int h, int m, int s) {
        nowMs_ = (nowMs_ / 86400000ULL) * 86400000ULL + ((h * 60ULL + m) * 60 + s) * 1000;
    }
    std::uint64_t nowMs() const { return nowMs_; }

    std::uint64_t sleptMs = 0;
    std::function<void(std::uint32_t)> onSleep;

  private:
    std::uint64_t nowMs_;
};

}  // namespace kov::test

#pragma once

#include <chrono>
#include <ctime>
#include <thread>

#include "station/clock.h"

namespace kov::gemini {

// Real time for a served controller: its clients live in it, so its night must too.
class WallClock : public Clock {
  public:
    void sleep(std::uint32_t ms) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    std::uint32_t ticks() const override {
        return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now().time_since_epoch())
                                              .count());
    }
    TimeOfDay timeOfDay() const override {
        const std::time_t t = std::time(nullptr);
        std::tm local{};
        localtime_r(&t, &local);
        return {local.tm_hour, local.tm_min, local.tm_sec};
    }
    double epochSeconds() const override {
        return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    }
};

}  // namespace kov::gemini

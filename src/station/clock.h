#pragma once

#include <cstdint>

namespace kov {

struct TimeOfDay {
    int hour = 0;  // 0-23
    int minute = 0;
    int second = 0;
};

// Time as the procedures see it: real in the program, virtual in the tests.
class Clock {
  public:
    virtual ~Clock() = default;
    // Sleep; in the window this keeps processing events so nothing freezes.
    virtual void sleep(std::uint32_t ms) = 0;
    // Milliseconds since an arbitrary start, like the platform's tick count.
    virtual std::uint32_t ticks() const = 0;
    virtual TimeOfDay timeOfDay() const = 0;
    // Seconds since the Unix epoch, for sidereal time in the simulated observatory.
    virtual double epochSeconds() const = 0;
};

}  // namespace kov

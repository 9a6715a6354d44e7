#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "station/clock.h"

namespace kov {

// Our own error number for a device that did not finish in time; the text says which.
inline constexpr std::int32_t kErrTimedOut = 1002;

// How long a slew over `degrees` may take before a wait gives up on it: a minute to start and
// settle, then four seconds a degree (four times slower than the slowest mount), five minutes
// at most. A distance that is not known counts as the longest.
inline std::uint32_t SlewLimitMs(double degrees) {
    constexpr double kLongestMs = 300000.0;
    const double ms = 60000.0 + 4000.0 * std::fabs(degrees);
    return static_cast<std::uint32_t>(std::isfinite(ms) ? std::min(ms, kLongestMs) : kLongestMs);
}

// How long an exposure may take to come back: its own time, then two minutes for the download
// and the camera program's own delays.
inline std::uint32_t ExposureLimitMs(double exposureSeconds) {
    const double ms = std::clamp(exposureSeconds, 0.0, 86400.0) * 1000.0 + 120000.0;
    return static_cast<std::uint32_t>(std::isfinite(ms) ? ms : 120000.0);
}

// A wait's time limit on the Clock's tick count, which wraps every 49 days.
class WaitBound {
  public:
    WaitBound(const Clock& clock, std::uint32_t limitMs)
        : clock_(clock), start_(clock.ticks()), limitMs_(limitMs) {}
    bool expired() const { return clock_.ticks() - start_ >= limitMs_; }
    std::uint32_t limitSeconds() const { return limitMs_ / 1000; }

  private:
    const Clock& clock_;
    std::uint32_t start_;
    std::uint32_t limitMs_;
};

}  // namespace kov

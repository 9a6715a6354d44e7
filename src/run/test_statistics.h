#pragma once

#include <cstdint>

#include "model/sky_position.h"

namespace kov {

// An error in degrees the short way round: 0 to 180.
double FoldDegrees(double deg);

// How far a TEST run's slews landed from their targets: the root mean square and the peak of the
// right-ascension and declination errors, degrees, each folded the short way round.
class TestStatistics {
  public:
    void add(const SkyPosition& target, const SkyPosition& solved);
    double rmsDeg() const;
    double peakDeg() const { return peak_; }
    std::int32_t count() const { return count_; }

  private:
    double sumOfSquares_ = 0.0;
    double peak_ = 0.0;
    std::int32_t count_ = 0;
};

}  // namespace kov

#pragma once

#include <cmath>
#include <cstdint>
#include <random>

namespace kov::sim {

// Seeded randomness that gives the same numbers on every platform: the C++ standard fixes the
// engine's output exactly, but not the standard distributions', so those are written out here.
class Rng {
  public:
    explicit Rng(std::uint64_t seed) : engine_(seed) {}

    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }

    double uniform(double low, double high) { return low + (high - low) * uniform(); }

    // Standard normal, by Box-Muller.
    double normal() {
        const double u1 = 1.0 - uniform();  // (0, 1]: the logarithm stays finite
        const double u2 = uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * 3.14159265358979323846 * u2);
    }

  private:
    std::mt19937_64 engine_;
};

}  // namespace kov::sim

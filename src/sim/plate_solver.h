#pragma once

#include <optional>

#include "sim/sim_world.h"

namespace kov::sim {

// What the solver is told beside the image: the expected scale (0: unknown) and, when known,
// the position it should search near.
struct SolveHints {
    double scale = 0.0;
    std::optional<double> ra;
    std::optional<double> dec;
};

// Solves a frame the way an image link would: the true centre plus noise that grows as the
// matched stars get fewer, the star count (fewer in short exposures and through thick air low
// down), the binned scale and the camera's north angle, turned by half a turn on the west side of
// the pier. Throws AutomationError (kErrSolveFailed) for a dark frame, a field below the horizon,
// under a cloud or in a failing region, a frame the scenario marks as failing, a wrong scale, a
// search position far off, and at random, the more often the fewer stars there are.
// The search takes virtual time: 1 to 10 s by star count, 10 s when it finds nothing.
Solution SolveImage(SimWorld& world, const ImageRecord& image, const SolveHints& hints);

// How long a search that matches this many stars takes, seconds.
double SolveSeconds(long stars);

}  // namespace kov::sim

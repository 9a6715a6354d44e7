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

// Solves a frame the way an image link would: the true centre plus the scenario's noise, the
// matched star count, the binned scale and the camera's north angle. Throws AutomationError
// (kErrSolveFailed) for a dark frame, a field below the horizon, under a cloud or in a failing
// region, a frame the scenario marks as failing, a wrong scale or a search position far off.
Solution SolveImage(SimWorld& world, const ImageRecord& image, const SolveHints& hints);

}  // namespace kov::sim

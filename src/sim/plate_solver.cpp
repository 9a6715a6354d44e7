#include "sim/plate_solver.h"

#include <algorithm>
#include <cmath>

#include "sim/sim_errors.h"

namespace kov::sim {

namespace {

// How far off a hint may be before the search misses: wider than any believable pointing error.
constexpr double kSearchRadiusDegrees = 5.0;
constexpr double kScaleTolerance = 0.3;
constexpr long kFewestStarsForAMatch = 4;

[[noreturn]] void NoMatch(const std::string& why) {
    throw AutomationError(kErrSolveFailed, "Image Link failed: " + why);
}

HaDec AsHaDec(double ra, double dec) {
    return {ra, dec};
}  // compares right ascensions

}  // namespace

Solution SolveImage(SimWorld& world, const ImageRecord& image, const SolveHints& hints) {
    const Scenario& s = world.scenario;
    if (!image.light) {
        NoMatch("no stars found in the image");
    }
    if (std::find(s.failImages.begin(), s.failImages.end(), image.number) != s.failImages.end()) {
        NoMatch("the star pattern was not recognized");
    }
    if (image.trueAltAz.alt < 0.0) {
        NoMatch("no stars found in the image");
    }
    for (const Cloud& cloud : s.clouds) {
        if (SeparationDegrees(image.trueAltAz, AltAz{cloud.az, cloud.alt}) <= cloud.radius) {
            NoMatch("too few stars found in the image");
        }
    }
    const HaDec centre = AsHaDec(image.trueRa, image.trueDec);
    for (const SkyRegion& region : s.failRegions) {
        if (SeparationDegrees(centre, AsHaDec(region.ra, region.dec)) <= region.radius) {
            NoMatch("the star pattern was not recognized");
        }
    }
    const double trueScale = s.pixelScale * image.binX;
    if (hints.scale > 0.0 && std::fabs(hints.scale / trueScale - 1.0) > kScaleTolerance) {
        NoMatch("the star pattern was not recognized at this image scale");
    }
    if (hints.ra && hints.dec &&
        SeparationDegrees(centre, AsHaDec(*hints.ra, *hints.dec)) > kSearchRadiusDegrees) {
        NoMatch("the star pattern was not found near the given position");
    }

    Rng& random = world.solveRandom;
    const double depth = std::clamp(std::sqrt(std::max(image.exposure, 0.0) / 2.0), 0.0, 4.0);
    const long stars = std::lround(s.starsPerImage * depth * random.uniform(0.75, 1.25));
    if (stars < kFewestStarsForAMatch) {
        NoMatch("too few stars found in the image");
    }

    Solution solution;
    const double cosDec = std::max(std::cos(image.trueDec * kDegToRad), 1e-6);
    solution.ra = WrapHours(image.trueRa +
                            random.normal() * s.solveNoise / cosDec / (15.0 * kArcsecPerDegree));
    solution.dec = image.trueDec + random.normal() * s.solveNoise / kArcsecPerDegree;
    solution.scale = trueScale * (1.0 + random.normal() * 2e-4);
    solution.northAngle = s.cameraRotation + random.normal() * 0.03;
    solution.stars = stars;
    return solution;
}

}  // namespace kov::sim

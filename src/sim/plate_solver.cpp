#include "sim/plate_solver.h"

#include <algorithm>
#include <cmath>

#include "sim/real_sky_solver.h"
#include "sim/sim_errors.h"

namespace kov::sim {

namespace {

// How far off a hint may be before the search misses: wider than any believable pointing error.
constexpr double kSearchRadiusDegrees = 5.0;
constexpr double kScaleTolerance = 0.3;
constexpr long kFewestStarsForAMatch = 4;
// At this many matched stars half the searches find no match; with twice as many, one in 16.
constexpr double kHalfFailStars = 10.0;
// Dimming by the air, in the fraction of the matched stars lost per air mass beyond the first.
constexpr double kExtinctionPerAirmass = 0.25;
// A search that finds nothing gives up after this long.
constexpr double kGiveUpSeconds = 10.0;

// Air mass at an apparent altitude (Kasten and Young), capped where the formula runs out.
double Airmass(double alt) {
    const double h = std::max(alt, 0.0);
    return std::min(40.0,
                    1.0 / (std::sin(h * kDegToRad) + 0.50572 * std::pow(h + 6.07995, -1.6364)));
}

[[noreturn]] void NoMatch(const std::string& why) {
    throw AutomationError(kErrSolveFailed, "Image Link failed: " + why);
}

HaDec AsHaDec(double ra, double dec) {
    return {ra, dec};
}  // compares right ascensions

}  // namespace

double SolveSeconds(long stars) {
    return std::clamp(1.0 + static_cast<double>(stars) / 10.0, 1.0, 10.0);
}

Solution SolveImage(SimWorld& world, const ImageRecord& image, const SolveHints& hints) {
    const Scenario& s = world.scenario;
    if (!image.light) {
        NoMatch("no stars found in the image");
    }
    if (std::optional<Solution> real = SolveOnRealSky(world, image, hints)) {
        return *real;
    }
    // A search that finds nothing runs until it gives up.
    const auto fail = [&world](const std::string& why) {
        world.pass(kGiveUpSeconds);
        NoMatch(why);
    };

    if (std::find(s.failImages.begin(), s.failImages.end(), image.number) != s.failImages.end()) {
        fail("the star pattern was not recognized");
    }
    if (image.trueAltAz.alt < 0.0) {
        fail("no stars found in the image");
    }
    for (const Cloud& cloud : s.clouds) {
        if (SeparationDegrees(image.trueAltAz, world.cloudAt(cloud)) <= cloud.radius) {
            fail("too few stars found in the image");
        }
    }
    const HaDec centre = AsHaDec(image.trueRa, image.trueDec);
    for (const SkyRegion& region : s.failRegions) {
        if (SeparationDegrees(centre, AsHaDec(region.ra, region.dec)) <= region.radius) {
            fail("the star pattern was not recognized");
        }
    }
    const double trueScale = s.pixelScale * image.binX;
    if (hints.scale > 0.0 && std::fabs(hints.scale / trueScale - 1.0) > kScaleTolerance) {
        fail("the star pattern was not recognized at this image scale");
    }
    if (hints.ra && hints.dec &&
        SeparationDegrees(centre, AsHaDec(*hints.ra, *hints.dec)) > kSearchRadiusDegrees) {
        fail("the star pattern was not found near the given position");
    }

    // Deeper with longer exposures, shallower through more air.
    Rng& random = world.solveRandom;
    const double depth = std::clamp(std::sqrt(std::max(image.exposure, 0.0) / 2.0), 0.0, 4.0);
    const double air = std::exp(-kExtinctionPerAirmass * (Airmass(image.trueAltAz.alt) - 1.0));
    const long stars = std::lround(s.starsPerImage * depth * air * random.uniform(0.75, 1.25));
    const double few = static_cast<double>(stars) / kHalfFailStars;
    const double failChance =
        s.solveFailureRate + (1.0 - s.solveFailureRate) * std::exp2(-few * few);
    if (stars < kFewestStarsForAMatch) {
        fail("too few stars found in the image");
    }
    if (random.uniform() < failChance) {
        fail("the star pattern was not recognized");
    }
    world.pass(SolveSeconds(stars));

    // Each star's centroid is noisy; the fewer of them, the less the noise averages out.
    const double noise =
        s.solveNoise * std::sqrt(static_cast<double>(s.starsPerImage) / static_cast<double>(stars));
    Solution solution;
    const double cosDec = std::max(std::cos(image.trueDec * kDegToRad), 1e-6);
    solution.ra =
        WrapHours(image.trueRa + random.normal() * noise / cosDec / (15.0 * kArcsecPerDegree));
    solution.dec = image.trueDec + random.normal() * noise / kArcsecPerDegree;
    solution.scale = trueScale * (1.0 + random.normal() * 2e-4);
    // Over the pole onto the other side of the pier the camera turns with the tube.
    const double turned = s.cameraRotation + (image.side == PierSide::West ? 180.0 : 0.0);
    solution.northAngle = std::fmod(turned + 360.0, 360.0) + random.normal() * 0.03;
    solution.stars = stars;
    return solution;
}

}  // namespace kov::sim

#pragma once

#include <memory>
#include <optional>
#include <string>

// Where the planetarium role's image link gets its plate solutions: a FITS file and a hint in,
// the solved centre out. The program fills it with astrometry.net (astrometry_image_solver.h);
// in a build without it, NoImageSolver says what to install.

namespace kov::gemini {

struct SolveHint {
    double ra = 0.0;              // hours, where the mount says it points
    double dec = 0.0;             // degrees
    double arcsecPerPixel = 0.0;  // the operator's pixel scale; 0 when unknown
    double radiusDegrees = 5.0;   // how far from the hint the field may lie
};

struct ImageSolution {
    double ra = 0.0;   // hours
    double dec = 0.0;  // degrees
    double arcsecPerPixel = 0.0;
    double northAngle = 0.0;  // degrees
    long stars = 0;           // matched stars
};

class ImageSolver {
  public:
    virtual ~ImageSolver() = default;
    // The solution, or nothing when the field could not be matched; throws std::runtime_error
    // with a reason the operator can act on when the solver cannot run at all.
    virtual std::optional<ImageSolution> solve(const std::string& fitsPath,
                                               const SolveHint& hint) = 0;
};

// Stands in while no solver is configured: every solve fails with a text saying what to install.
class NoImageSolver : public ImageSolver {
  public:
    std::optional<ImageSolution> solve(const std::string&, const SolveHint&) override;
};

// The image link's state, shared by the planetarium and the camera's image: the last saved frame
// (what the planetarium shows) and the last solution (its "Image Link Information").
struct ImageLinkState {
    std::string path;
    std::optional<ImageSolution> solution;
};

}  // namespace kov::gemini

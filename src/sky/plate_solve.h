#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

// The seam every plate solver sits behind: an image file and what is known about it in, a
// solution or a reason out. The simulated observatory and the Linux observatory both solve
// through it.

namespace kov::sky {

struct SolveRequest {
    std::filesystem::path image;  // a FITS file
    double scale = 0.0;           // expected arc seconds per pixel of this image; 0: unknown
    std::optional<double> ra;     // degrees: where the mount says it points
    std::optional<double> dec;
    double radius = 3.0;  // degrees around that position to search
    std::chrono::milliseconds timeLimit{30000};
    // Asked every few milliseconds while the solver works; true abandons the solve at once.
    std::function<bool()> stopRequested;
};

enum class SolveStatus {
    Solved,
    NoMatch,       // the solver ran and recognised nothing
    TimedOut,      // ended at the time limit
    Stopped,       // ended by a STOP
    NotInstalled,  // the solver or its index files are missing; the text says what to install
    Failed,        // anything else; the text says what happened
};

// Which way the sky's east lies from north in the image: counter-clockwise as the sky is seen
// looking up (no mirror), or the mirror image of that.
enum class Parity { Normal, Flipped };

struct SolveResult {
    SolveStatus status = SolveStatus::Failed;
    std::string text;  // one line for the operator
    double ra = 0.0;   // degrees, at the image centre
    double dec = 0.0;
    double scale = 0.0;       // arc seconds per pixel
    double northAngle = 0.0;  // of the image's up direction, degrees east of north, 0 to 360
    Parity parity = Parity::Normal;
    double seconds = 0.0;  // wall time the solve took

    bool solved() const { return status == SolveStatus::Solved; }
};

class PlateSolver {
  public:
    virtual ~PlateSolver() = default;
    virtual SolveResult solve(const SolveRequest& request) = 0;
};

const char* StatusName(SolveStatus status);

}  // namespace kov::sky

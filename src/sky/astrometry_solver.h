#pragma once

#include <filesystem>
#include <string>

#include "sky/plate_solve.h"

namespace kov::sky {

struct AstrometryOptions {
    std::string command = "solve-field";  // a name found on PATH, or a path
    std::filesystem::path indexFolder = "/usr/share/astrometry";
    // The searched scale range around the expected scale: wide enough that a Pixel Scale set
    // badly still solves and the solution can tell the operator the true one.
    double scaleLow = 0.5;
    double scaleHigh = 2.0;
    int objects = 50;  // the brightest sources tried
    // Find the stars ourselves and give solve-field the list (fast, and sure of the noise);
    // false lets solve-field extract them from the image.
    bool findStars = true;
    // With findStars false: source extraction on an image reduced by this factor: much faster, and
    // as long as a reduced pixel stays under about 8" the stars keep their shape. 0: the largest of
    // 4, 2 and 1 that does so at the expected scale (2 when the scale is unknown).
    int downsample = 0;
    // Where the private working folders go; empty: the system's temporary folder.
    std::filesystem::path temporaryParent;
};

// astrometry.net's solve-field, run as a child process per image in a private folder that is
// removed afterwards. The solution is read from the WCS header it writes.
class AstrometrySolver : public PlateSolver {
  public:
    explicit AstrometrySolver(AstrometryOptions options = {});
    SolveResult solve(const SolveRequest& request) override;

    // Empty when solve-field and at least one index file are there; otherwise what is missing
    // and what to install.
    std::string missing() const;

  private:
    AstrometryOptions options_;
};

// Reads a solution from a WCS header (CRVAL, CRPIX, CD, IMAGEW, IMAGEH): the centre of the
// image, scale, north angle and parity. status is Failed with a reason if the file cannot be
// read.
SolveResult ReadWcsSolution(const std::filesystem::path& wcsFile);

}  // namespace kov::sky

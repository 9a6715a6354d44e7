#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Finds the stars in a frame and lists them for the solver, so it matches patterns without
// running its own source extraction: that one is slow on frames of millions of pixels and, on
// reduced images, misjudges the noise and reports hundreds of noise peaks as stars.

namespace kov::sky {

struct Source {
    double x = 0.0;  // FITS pixel coordinates: 1 at the first pixel's centre
    double y = 0.0;
    double flux = 0.0;  // counts above the background
};

struct StarList {
    int width = 0;
    int height = 0;
    double noise = 0.0;           // counts, one sigma, of the background
    std::vector<Source> sources;  // brightest first
    std::string error;            // why the image could not be read; empty when it was
};

// Peaks standing 5 sigma above a local background, not lone hot pixels, centred by their
// light; at most `limit`, the brightest.
StarList FindStars(const std::filesystem::path& image, int limit);

// Writes the list as the FITS table solve-field reads (columns X, Y, FLUX). Throws
// std::runtime_error naming the file.
void WriteStarList(const std::filesystem::path& path, const StarList& stars);

}  // namespace kov::sky

#pragma once

#include <cstdint>
#include <vector>

#include "sky/star_catalogue.h"

// A camera's picture of the sky: the catalogue's stars projected onto the sensor around the
// optical axis, spread by the seeing, on a sky background, with the sensor's noise, hot pixels
// and saturation. Same inputs and seed, same picture.

namespace kov::sky {

// The defaults are the built-in night's camera: an APS-C sensor of 6248 x 4176 pixels of 3.76 um
// behind 780 mm of focal length, 1"/pixel, a 104' x 70' field. Debian's Tycho-2 index files
// (quads from 42' up) recognise 20 of 20 random fields this wide; of 68' x 51' fields, 16 of 20.
struct CameraModel {
    int width = 6248;  // unbinned pixels
    int height = 4176;
    double pixelScale = 1.0;    // arc seconds per unbinned pixel
    double pixelSize = 3.76;    // microns
    double gain = 1.0;          // electrons per count
    double readNoise = 5.0;     // electrons, per read binned pixel
    double bias = 500.0;        // counts
    double fullWell = 60000.0;  // electrons of an unbinned pixel; a binned pixel holds the sum
    double darkCurrent = 0.02;  // electrons per second per unbinned pixel
    double hotPixelFraction = 2e-5;
    std::uint64_t hotPixelSeed = 7;  // hot pixels stay where they are from frame to frame
};

struct Exposure {
    double ra = 0.0;   // degrees: where the optical axis truly points, catalogue frame
    double dec = 0.0;  // degrees
    // Position angle of the image's up direction (rising rows), degrees east of north; half a
    // turn more after a meridian flip, as the camera turns with the tube.
    double northAngle = 0.0;
    bool mirrored = false;  // the east-west flip of an odd number of mirrors
    double seconds = 2.0;
    int binX = 1;
    int binY = 1;
    bool light = true;  // false: a dark frame, shutter closed
    // A light frame with a dark frame subtracted, as camera programs reduce them: the hot pixels
    // and the dark current are gone, their shot noise stays.
    bool darkSubtracted = false;
    double seeing = 2.5;          // full width at half maximum, arc seconds
    double skyBackground = 20.0;  // electrons per second per unbinned pixel
    double transmission = 1.0;    // 1 clear, 0 thick cloud: dims the stars and the sky glow alike
    // Electrons per second from a star of magnitude 0.
    double zeroPointFlux = 2.0e7;
    std::uint64_t seed = 1;
};

struct FieldImage {
    int width = 0;  // binned pixels
    int height = 0;
    std::vector<std::uint16_t> pixels;  // row by row from the bottom row, as FITS stores them
    int starsDrawn = 0;

    std::uint16_t at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// Renders one frame. A dark frame holds the bias, the dark current, hot pixels and noise.
FieldImage RenderField(const StarCatalogue& catalogue, const CameraModel& camera,
                       const Exposure& exposure);

// Where a catalogue direction lands in a frame, in FITS pixel coordinates (1 at the first
// pixel's centre) of the binned image; the inverse of what a plate solution describes.
struct PixelPosition {
    double x = 0.0;
    double y = 0.0;
    bool inFront = false;  // false for a direction behind the tangent plane
};
PixelPosition ProjectToPixel(const CameraModel& camera, const Exposure& exposure, double ra,
                             double dec);

}  // namespace kov::sky

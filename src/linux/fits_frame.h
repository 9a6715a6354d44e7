#pragma once

#include <optional>
#include <string>

// Just enough of FITS for the camera role: the size of a frame, and a dark frame taken off a
// light one. A frame is the whole file's bytes, as the camera sent it.

namespace kov::gemini {

struct FitsShape {
    int bitpix = 0;
    long width = 0;   // NAXIS1
    long height = 0;  // NAXIS2
    double bzero = 0.0;
    std::size_t dataOffset = 0;
};

// The shape of a simple two-dimensional FITS image; nothing when the bytes are not one.
std::optional<FitsShape> ReadFitsShape(const std::string& bytes);

// Subtracts the dark from the light, pixel by pixel, never below zero. Both must be 16-bit
// images of the same size; false (and the light unchanged) otherwise.
bool SubtractDark(std::string& light, const std::string& dark);

}  // namespace kov::gemini

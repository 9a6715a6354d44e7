#pragma once

#include <filesystem>
#include <string>

#include "sky/star_field.h"

namespace kov::sky {

// What a camera program writes into the header of a frame it saves; no plate solution.
struct FrameHeader {
    double exposure = 0.0;  // seconds
    int binX = 1;
    int binY = 1;
    double temperature = 0.0;  // of the sensor, degrees Celsius
    double takenAt = 0.0;      // Unix seconds when the exposure began
    bool light = true;
    double pixelSize = 0.0;  // microns of an unbinned pixel; 0: not written
};

// Writes a 16-bit FITS image through CFITSIO, replacing a file already there. Throws
// std::runtime_error that names the file and CFITSIO's reason.
void WriteFitsImage(const std::filesystem::path& path, const FieldImage& image,
                    const FrameHeader& header);

// The frame's start as FITS writes dates: 2026-12-06T21:03:07.250 (UTC).
std::string FitsDate(double unixSeconds);

}  // namespace kov::sky

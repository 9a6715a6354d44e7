#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "sky/star_field.h"

namespace kov::sky {

// A plate solution as a camera program writes it into a solved frame (a TAN projection
// centred on the image, mirror-free).
struct FrameSolution {
    double ra = 0.0;  // degrees, at the image centre
    double dec = 0.0;
    double scale = 1.0;       // arc seconds per pixel
    double northAngle = 0.0;  // of the image's up direction, degrees east of north
};

// What a camera program writes into the header of a frame it saves.
struct FrameHeader {
    double exposure = 0.0;  // seconds
    int binX = 1;
    int binY = 1;
    double temperature = 0.0;  // of the sensor, degrees Celsius
    double takenAt = 0.0;      // Unix seconds when the exposure began
    bool light = true;
    double pixelSize = 0.0;                 // microns of an unbinned pixel; 0: not written
    std::optional<FrameSolution> solution;  // none: no WCS, as the camera saved it
};

// Writes a 16-bit FITS image through CFITSIO, replacing a file already there. Throws
// std::runtime_error that names the file and CFITSIO's reason.
void WriteFitsImage(const std::filesystem::path& path, const FieldImage& image,
                    const FrameHeader& header);

// The frame's start as FITS writes dates: 2026-12-06T21:03:07.250 (UTC).
std::string FitsDate(double unixSeconds);

}  // namespace kov::sky

#pragma once

#include <optional>
#include <string>

#include "sim/sim_world.h"

namespace kov::sim {

// The bytes of a small but valid FITS file for a frame: a primary header in 2880-byte blocks of
// 80-character cards and a 16-bit image of sky background and a few stars, with the plate
// solution in the header when there is one.
std::string FitsFileBytes(const ImageRecord& image, const std::optional<Solution>& solution,
                          double pixelScale);

// One 80-character header card; texts are quoted, numbers and logicals right-aligned.
std::string FitsCard(const std::string& keyword, const std::string& value,
                     const std::string& comment = "");
std::string FitsNumber(double value);
std::string FitsText(const std::string& text);

inline constexpr int kFitsWidth = 64;
inline constexpr int kFitsHeight = 48;

}  // namespace kov::sim

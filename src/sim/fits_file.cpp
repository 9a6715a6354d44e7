#include "sim/fits_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace kov::sim {

namespace {

constexpr std::size_t kBlock = 2880;
constexpr std::size_t kCard = 80;

void PadToBlock(std::string& bytes, char fill) {
    const std::size_t rest = bytes.size() % kBlock;
    if (rest != 0) {
        bytes.append(kBlock - rest, fill);
    }
}

// A cheap deterministic hash so the same frame always gives the same pixels.
std::uint32_t Mix(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352DU;
    x ^= x >> 15;
    x *= 0x846CA68BU;
    x ^= x >> 16;
    return x;
}

}  // namespace

std::string FitsNumber(double value) {
    // FITS has no infinity or NaN; a blank value field is its "undefined".
    if (!std::isfinite(value)) {
        return "";
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.12G", value);
    return buffer;
}

std::string FitsText(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c;
        if (c == '\'') {
            quoted += '\'';
        }
    }
    while (quoted.size() < 9) {  // the standard asks for at least eight characters inside
        quoted += ' ';
    }
    return quoted + "'";
}

std::string FitsCard(const std::string& keyword, const std::string& value,
                     const std::string& comment) {
    std::string card = keyword.substr(0, 8);
    card.resize(8, ' ');
    if (keyword != "END") {
        card += "= ";
        if (!value.empty() && value.front() == '\'') {
            card += value;
        } else {
            card += std::string(value.size() < 20 ? 20 - value.size() : 0, ' ') + value;
        }
        if (!comment.empty()) {
            card += " / " + comment;
        }
    }
    card.resize(kCard, ' ');
    return card;
}

std::string FitsFileBytes(const ImageRecord& image, const std::optional<Solution>& solution,
                          double pixelScale) {
    std::string header;
    header += FitsCard("SIMPLE", "T", "conforms to FITS");
    header += FitsCard("BITPIX", "16");
    header += FitsCard("NAXIS", "2");
    header += FitsCard("NAXIS1", std::to_string(kFitsWidth));
    header += FitsCard("NAXIS2", std::to_string(kFitsHeight));
    header += FitsCard("BZERO", "32768");
    header += FitsCard("BSCALE", "1");
    header += FitsCard("IMAGETYP", FitsText(image.light ? "Light Frame" : "Dark Frame"));
    header += FitsCard("EXPTIME", FitsNumber(image.exposure), "seconds");
    header += FitsCard("XBINNING", FitsNumber(image.binX));
    header += FitsCard("YBINNING", FitsNumber(image.binY));
    header += FitsCard("CCD-TEMP", FitsNumber(std::round(image.temperature * 100) / 100));
    header += FitsCard("CALSTAT", FitsText(image.calibrated ? "D" : ""));
    if (image.hintRa && image.hintDec) {
        header += FitsCard("RA_TEL", FitsNumber(*image.hintRa), "hours, telescope");
        header += FitsCard("DEC_TEL", FitsNumber(*image.hintDec), "degrees, telescope");
    }
    if (solution) {
        const double scaleDeg = solution->scale / 3600.0;
        const double angle = solution->northAngle * 3.14159265358979323846 / 180.0;
        header += FitsCard("CTYPE1", FitsText("RA---TAN"));
        header += FitsCard("CTYPE2", FitsText("DEC--TAN"));
        header += FitsCard("CRPIX1", FitsNumber(kFitsWidth / 2.0 + 0.5));
        header += FitsCard("CRPIX2", FitsNumber(kFitsHeight / 2.0 + 0.5));
        header += FitsCard("CRVAL1", FitsNumber(solution->ra * 15.0));
        header += FitsCard("CRVAL2", FitsNumber(solution->dec));
        header += FitsCard("CD1_1", FitsNumber(-scaleDeg * std::cos(angle)));
        header += FitsCard("CD1_2", FitsNumber(scaleDeg * std::sin(angle)));
        header += FitsCard("CD2_1", FitsNumber(scaleDeg * std::sin(angle)));
        header += FitsCard("CD2_2", FitsNumber(scaleDeg * std::cos(angle)));
    } else {
        header += FitsCard("SCALE", FitsNumber(pixelScale * image.binX), "arcsec per pixel");
    }
    header += FitsCard("END", "");
    PadToBlock(header, ' ');

    std::string data;
    data.reserve(static_cast<std::size_t>(kFitsWidth) * kFitsHeight * 2);
    // In unsigned arithmetic: a long night's image numbers must wrap, not overflow.
    const std::uint32_t seed = static_cast<std::uint32_t>(image.number) * 7919U + 17U;
    const double background = image.light ? 1200.0 : 300.0;
    std::vector<std::pair<double, double>> stars;
    if (image.light) {
        for (std::uint32_t k = 0; k < 6; ++k) {
            stars.emplace_back(Mix(seed + 2 * k) % kFitsWidth, Mix(seed + 2 * k + 1) % kFitsHeight);
        }
    }
    for (int y = 0; y < kFitsHeight; ++y) {
        for (int x = 0; x < kFitsWidth; ++x) {
            const auto index = static_cast<std::uint32_t>(y * kFitsWidth + x);
            double value = background + static_cast<double>(Mix(seed ^ (index * 2654435761U)) % 64);
            for (const auto& [sx, sy] : stars) {
                const double r2 = (x - sx) * (x - sx) + (y - sy) * (y - sy);
                value += 20000.0 * std::exp(-r2 / 2.0);
            }
            const auto stored = static_cast<std::uint16_t>(std::min(value, 65535.0));
            // Signed 16-bit, big-endian, offset by BZERO.
            const auto raw = static_cast<std::uint16_t>(stored ^ 0x8000U);
            data += static_cast<char>(raw >> 8);
            data += static_cast<char>(raw & 0xFF);
        }
    }
    PadToBlock(data, '\0');
    return header + data;
}

}  // namespace kov::sim

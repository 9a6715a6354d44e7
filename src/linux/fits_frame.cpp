#include "linux/fits_frame.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kov::gemini {

namespace {

constexpr std::size_t kCard = 80;
constexpr std::size_t kBlock = 2880;

std::string Keyword(const std::string& card) {
    std::string key = card.substr(0, 8);
    key.erase(key.find_last_not_of(' ') + 1);
    return key;
}

}  // namespace

std::optional<FitsShape> ReadFitsShape(const std::string& bytes) {
    if (bytes.rfind("SIMPLE  =", 0) != 0) {
        return std::nullopt;
    }
    FitsShape shape;
    long axes = -1;
    for (std::size_t at = 0; at + kCard <= bytes.size(); at += kCard) {
        const std::string card = bytes.substr(at, kCard);
        const std::string key = Keyword(card);
        const double value = card.size() > 10 ? std::atof(card.c_str() + 10) : 0.0;
        if (key == "END") {
            shape.dataOffset = (at / kBlock + 1) * kBlock;
            const bool whole =
                axes == 2 && shape.width > 0 && shape.height > 0 && shape.bitpix != 0;
            return whole ? std::optional<FitsShape>(shape) : std::nullopt;
        }
        if (key == "BITPIX") {
            shape.bitpix = static_cast<int>(value);
        } else if (key == "NAXIS") {
            axes = static_cast<long>(value);
        } else if (key == "NAXIS1") {
            shape.width = static_cast<long>(value);
        } else if (key == "NAXIS2") {
            shape.height = static_cast<long>(value);
        } else if (key == "BZERO") {
            shape.bzero = value;
        }
    }
    return std::nullopt;
}

bool SubtractDark(std::string& light, const std::string& dark) {
    const auto l = ReadFitsShape(light);
    const auto d = ReadFitsShape(dark);
    if (!l || !d || l->bitpix != 16 || d->bitpix != 16 || l->width != d->width ||
        l->height != d->height) {
        return false;
    }
    const std::size_t pixels = static_cast<std::size_t>(l->width * l->height);
    if (light.size() < l->dataOffset + 2 * pixels || dark.size() < d->dataOffset + 2 * pixels) {
        return false;
    }
    // Big-endian signed 16-bit values, offset by BZERO.
    const auto read = [](const std::string& b, std::size_t at) {
        return static_cast<std::int16_t>((static_cast<unsigned char>(b[at]) << 8) |
                                         static_cast<unsigned char>(b[at + 1]));
    };
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::size_t la = l->dataOffset + 2 * i;
        const double value =
            read(light, la) + l->bzero - (read(dark, d->dataOffset + 2 * i) + d->bzero);
        const double stored = std::clamp(std::max(value, 0.0) - l->bzero, -32768.0, 32767.0);
        const auto raw = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(stored)));
        light[la] = static_cast<char>(raw >> 8);
        light[la + 1] = static_cast<char>(raw & 0xFF);
    }
    return true;
}

}  // namespace kov::gemini

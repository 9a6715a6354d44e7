#include "station/texts.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "station/automation_error.h"

namespace kov {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

double LeadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) {
        ++i;
    }
    const std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t mantissaDigits = 0;
    long long integerMagnitude = 0;  // significant digits before the point
    bool significant = false;
    while (i < text.size() && IsDigit(text[i])) {
        significant = significant || text[i] != '0';
        if (significant) {
            ++integerMagnitude;
        }
        ++mantissaDigits;
        ++i;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++mantissaDigits;
            ++i;
        }
    }
    if (mantissaDigits == 0) {
        return 0.0;
    }
    long long exponent = 0;
    std::size_t end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        bool negative = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            negative = text[j] == '-';
            ++j;
        }
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) {
                if (exponent < 100000) {
                    exponent = exponent * 10 + (text[j] - '0');
                }
                ++j;
            }
            if (negative) {
                exponent = -exponent;
            }
            end = j;
        }
    }

    std::string_view number = text.substr(start, end - start);
    if (!number.empty() && number.front() == '+') {
        number.remove_prefix(1);
    }
    double value = 0.0;
    auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value,
                                     std::chars_format::general);
    (void)ptr;
    if (ec == std::errc::result_out_of_range || !std::isfinite(value)) {
        // Out of range either way: too large is an error, too small is zero.
        if (integerMagnitude + exponent > 0) {
            throw AutomationError(kErrOverflow, "Overflow");
        }
        return 0.0;
    }
    return value;
}

std::string GeneralNumber(double value) {
    if (value == 0.0) {
        return "0";  // never "-0"
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    return buffer;
}

std::string HexNumber(std::int32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%X", static_cast<std::uint32_t>(value));
    return buffer;
}

std::string TimeOfDayText(const TimeOfDay& t) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", t.hour % 100, t.minute % 100,
                  t.second % 100);
    return buffer;
}

long long RoundHalfEven(double value) {
    return std::llrint(std::nearbyint(value));
}

}  // namespace kov

#include "mount/driver_utils.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "station/automation_error.h"

namespace kov {

namespace {

// Past this the whole units no longer fit an exact integer and the text would be meaningless.
constexpr double kLargestWritable = 1e15;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string Sexagesimal(double value, std::string_view sep1, std::string_view sep2,
                        std::string_view sep3) {
    if (!std::isfinite(value) || std::fabs(value) >= kLargestWritable) {
        throw AutomationError(kErrOverflow, "Overflow");
    }
    const bool negative = value < 0.0;
    const double magnitude = std::fabs(value);
    long long whole = static_cast<long long>(std::floor(magnitude));
    const double minutesExact = (magnitude - static_cast<double>(whole)) * 60.0;
    long long minutes = static_cast<long long>(std::floor(minutesExact));
    long long seconds =
        static_cast<long long>(std::round((minutesExact - static_cast<double>(minutes)) * 60.0));
    if (seconds >= 60) {
        seconds -= 60;
        ++minutes;
    }
    if (minutes >= 60) {
        minutes -= 60;
        ++whole;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%02lld", whole);
    std::string text = negative ? "-" : "";
    text += buffer;
    text += sep1;
    std::snprintf(buffer, sizeof buffer, "%02lld", minutes);
    text += buffer;
    text += sep2;
    std::snprintf(buffer, sizeof buffer, "%02lld", seconds);
    text += buffer;
    text += sep3;
    return text;
}

}  // namespace

std::string FormatDegreesDMS(double degrees, std::string_view degSep, std::string_view minSep,
                             std::string_view secSep) {
    return Sexagesimal(degrees, degSep, minSep, secSep);
}

std::string FormatHoursHMS(double hours, std::string_view hrSep, std::string_view minSep,
                           std::string_view secSep) {
    return Sexagesimal(hours, hrSep, minSep, secSep);
}

double ParseDMS(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    const std::string_view trimmed = text.substr(begin, end - begin);
    // A Unicode minus (U+2212 in UTF-8) comes with texts pasted from web pages; it must not
    // silently turn a southern declination northern.
    const bool negative =
        !trimmed.empty() && (trimmed.front() == '-' || trimmed.substr(0, 3) == "\xE2\x88\x92");

    double parts[3] = {0.0, 0.0, 0.0};
    int found = 0;
    std::size_t i = 0;
    while (i < trimmed.size() && found < 3) {
        const bool startsNumber =
            IsDigit(trimmed[i]) ||
            (trimmed[i] == '.' && i + 1 < trimmed.size() && IsDigit(trimmed[i + 1]));
        if (!startsNumber) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < trimmed.size() && IsDigit(trimmed[j])) {
            ++j;
        }
        if (j + 1 < trimmed.size() && trimmed[j] == '.' && IsDigit(trimmed[j + 1])) {
            ++j;
            while (j < trimmed.size() && IsDigit(trimmed[j])) {
                ++j;
            }
        }
        double value = 0.0;
        const auto [ptr, ec] = std::from_chars(trimmed.data() + i, trimmed.data() + j, value);
        (void)ptr;
        if (ec != std::errc() || !std::isfinite(value)) {
            throw AutomationError(kErrOverflow, "Overflow");
        }
        parts[found++] = value;
        i = j;
    }
    if (found == 0) {
        throw AutomationError(kErrTypeMismatch,
                              "Type mismatch: \"" + std::string(text) + "\" holds no angle");
    }
    const double magnitude = parts[0] + parts[1] / 60.0 + parts[2] / 3600.0;
    return negative ? -magnitude : magnitude;
}

double LocalDriverUtil::DMSToDegrees(const std::string& text) {
    return ParseDMS(text);
}

std::string LocalDriverUtil::DegreesToDMS(double degrees, const std::string& degSep,
                                          const std::string& minSep, const std::string& secSep) {
    return FormatDegreesDMS(degrees, degSep, minSep, secSep);
}

std::string LocalDriverUtil::HoursToHMS(double hours, const std::string& hrSep,
                                        const std::string& minSep, const std::string& secSep) {
    // A time of day a hair before midnight is midnight: "24:00:00" is no time of day.
    if (hours >= 0.0 && hours < 24.0 && std::round(hours * 3600.0) >= 24.0 * 3600.0) {
        hours = 0.0;
    }
    return FormatHoursHMS(hours, hrSep, minSep, secSep);
}

}  // namespace kov

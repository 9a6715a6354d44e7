#include "mount/model_result_text.h"

#include <cmath>
#include <cstdio>

namespace kov {

namespace {

// The terms come from whole arc seconds divided by 60; taking the fraction back to seconds loses
// a hair of precision (61/60 gives 0.99999999999999 s), so a whole second is recognised within a
// millionth of a second instead of being cut down to the one below.
constexpr double kWholeSecondTolerance = 1e-6;

std::string Piece(const char* label, double t, SecondsRounding rounding) {
    const char* sign = t < 0.0 ? "-" : "";
    const double m = std::fabs(t);
    double minutes = std::trunc(m);
    double seconds = (m - minutes) * 60.0 + kWholeSecondTolerance;
    if (rounding == SecondsRounding::Nearest) {
        seconds += 0.5;
    }
    seconds = std::trunc(seconds);
    // Rounding up from 59.5 seconds makes a full minute: 1.9999' reads 2'0", not 1'60".
    if (seconds >= 60.0) {
        minutes += 1.0;
        seconds = 0.0;
    }
    char text[400];
    std::snprintf(text, sizeof text, "%s%s%.0f'%.0f\"", label, sign, minutes, seconds);
    return text;
}

}  // namespace

std::string ModelResultText(double a, double e, SecondsRounding rounding) {
    return Piece("Az Err: ", a, rounding) + Piece(" El Err: ", e, rounding);
}

}  // namespace kov

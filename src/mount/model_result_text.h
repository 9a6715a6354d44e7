#pragma once

#include <string>

namespace kov {

// How the seconds of a model term are shown.
enum class SecondsRounding {
    Truncate,  // the run, the sync and the align displays
    Nearest,   // the connection check of the "Connect" button
};

// The two Gemini model terms, in arc minutes, as the operator sees them:
// "Az Err: -1'30\" El Err: 0'15\"" for a = -1.5, e = 0.25.
std::string ModelResultText(double a, double e,
                            SecondsRounding rounding = SecondsRounding::Truncate);

}  // namespace kov

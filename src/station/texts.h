#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "station/clock.h"

namespace kov {

inline constexpr const char* kCrLf = "\r\n";

// The numeric value of a text: the decimal number it begins with ("." is always the decimal
// point), 0 when it begins with none. Leading blanks, tabs and line feeds are skipped; reading
// stops at the first character that cannot continue the number. A number too large for a double
// throws AutomationError(kErrOverflow) instead of becoming a value.
double LeadingNumber(std::string_view text);

// Numbers in log lines and labels: up to 15 significant digits, no trailing zeros.
std::string GeneralNumber(double value);

// Error numbers as the operator sees them: upper-case hexadecimal, no prefix; negative numbers
// as their 32-bit pattern (an HRESULT like 80040154).
std::string HexNumber(std::int32_t value);

// The time of day as log entries carry it: HH:MM:SS.
std::string TimeOfDayText(const TimeOfDay& t);

// Banker's rounding to the nearest whole number (a half goes to the even neighbour).
long long RoundHalfEven(double value);

}  // namespace kov

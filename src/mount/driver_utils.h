#pragma once

#include <string>
#include <string_view>

#include "station/telescope_interfaces.h"

namespace kov {

// Separators of a full angle text, as point displays show it (UTF-8 degree sign).
inline constexpr const char* kDegreeSeparator = "\xC2\xB0 ";
inline constexpr const char* kMinuteSeparator = "' ";
inline constexpr const char* kSecondSeparator = "\"";

// An angle in degrees as sexagesimal text: a leading "-" for negative values (never a "+"),
// whole degrees with at least two digits, minutes and rounded seconds with two digits each.
// Seconds that round to 60 carry into the minutes, and minutes into the degrees.
// A value that is not finite, or too large to write, throws AutomationError (overflow).
std::string FormatDegreesDMS(double degrees, std::string_view degSep = kDegreeSeparator,
                             std::string_view minSep = kMinuteSeparator,
                             std::string_view secSep = kSecondSeparator);

// The same for hours; time texts have no seconds separator by default.
std::string FormatHoursHMS(double hours, std::string_view hrSep = ":",
                           std::string_view minSep = ":", std::string_view secSep = "");

// Reads an angle text: surrounding blanks are ignored, a leading "-" (or Unicode minus) makes it
// negative, and the first three numbers (digits with an optional fraction) are degrees, minutes and
// seconds; any other characters only separate them. A text without any number throws
// AutomationError (type mismatch) rather than reading as 0, so a garbled point can never send the
// mount to 0 degrees.
double ParseDMS(std::string_view text);

// Our own "DriverHelper.Util", used wherever the ASCOM platform's is absent.
class LocalDriverUtil : public DriverUtil {
  public:
    double DMSToDegrees(const std::string& text) override;
    std::string DegreesToDMS(double degrees, const std::string& degSep, const std::string& minSep,
                             const std::string& secSep) override;
    std::string HoursToHMS(double hours, const std::string& hrSep, const std::string& minSep,
                           const std::string& secSep) override;
};

}  // namespace kov

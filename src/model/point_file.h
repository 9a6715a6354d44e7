#pragma once

#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/point_list.h"

namespace kov {

// The point file (".kov") is Windows-1252 on every platform, so a file moves between machines
// unchanged; the program's texts are UTF-8. Every byte has its character (the five bytes the
// code page leaves undefined map to the C1 controls U+0081, U+008D, U+008F, U+0090, U+009D,
// as Windows maps them), so any file converts to UTF-8 and back byte for byte.
std::string Cp1252ToUtf8(std::string_view bytes);
// Characters the code page cannot hold, and bytes that are not UTF-8, become "?".
std::string Utf8ToCp1252(std::string_view text);

// One point per line, "altitude,azimuth": a line is split at its first comma (later commas stay
// in the azimuth), a line without a comma is skipped, nothing is trimmed. Lines end with CR LF;
// a lone CR or LF also ends one, so a file edited elsewhere still reads as its lines.
std::vector<MappingPoint> ParsePointFile(std::string_view bytes);
// An angle text that is plainly a number: an optional sign, then up to three numbers (degrees,
// minutes, seconds: digits with an optional decimal fraction, minutes and seconds below 60)
// separated by blanks, colons, degree signs or minute and second marks. Letters, exponents and
// anything else give nothing, so a garbled point is refused rather than read as some angle.
std::optional<double> PlainAngle(std::string_view text);

// Refuses (AutomationError naming the line) a file holding a point whose altitude is not a plain
// angle from 0 to 90 degrees or whose azimuth is not one from 0 to 360 degrees.
void CheckPointFile(std::string_view bytes, const std::string& path);

// Every point as "altitude,azimuth" and CR LF, nothing else.
std::string FormatPointFile(const std::vector<MappingPoint>& points);

// The whole file or nothing: an open or read failure, a path that is not a regular file, or a
// point out of range (CheckPointFile) throws AutomationError naming the file.
std::vector<MappingPoint> ReadPointFile(std::istream& in, const std::string& path);
std::vector<MappingPoint> ReadPointFile(const std::string& path);
// Through the safe file writer: a failed write leaves an existing file as it was.
void WritePointFile(const std::string& path, const std::vector<MappingPoint>& points);

}  // namespace kov

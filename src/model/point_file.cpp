#include "model/point_file.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

#include "station/automation_error.h"
#include "station/safe_file.h"

namespace kov {

namespace {

constexpr std::int32_t kErrFileNotFound = 53;
constexpr std::int32_t kErrDeviceIO = 57;

// Bytes 0x80..0x9F of Windows-1252.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char ToCp1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<char>(c);
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == c) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

// The code point of the UTF-8 sequence at text[i], advancing i; a malformed sequence gives
// nothing and skips one byte.
bool NextCodePoint(std::string_view text, std::size_t& i, char32_t& c) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    char32_t smallest = 0;
    if (lead < 0x80) {
        c = lead;
        ++i;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07, smallest = 0x10000;
    } else {
        ++i;
        return false;
    }
    if (i + length > text.size()) {
        ++i;
        return false;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return false;
        }
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return false;
    }
    i += length;
    return true;
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        AppendUtf8(out, u >= 0x80 && u < 0xA0 ? kHighControls[u - 0x80] : u);
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        out += NextCodePoint(text, i, c) ? ToCp1252(c) : '?';
    }
    return out;
}

namespace {

// Calls line(number, text) for each line: CR LF, a lone CR or a lone LF ends one.
template <class Line>
void ForEachLine(std::string_view bytes, Line&& line) {
    std::size_t begin = 0;
    for (std::size_t number = 1; begin < bytes.size(); ++number) {
        std::size_t end = bytes.find_first_of("\r\n", begin);
        std::size_t next = end;
        if (end == std::string_view::npos) {
            end = next = bytes.size();
        } else if (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') {
            next = end + 2;
        } else {
            next = end + 1;
        }
        line(number, bytes.substr(begin, end - begin));
        begin = next;
    }
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The marks an angle text may use between its numbers: blanks, colons, the degree signs of
// both code pages (as UTF-8), minute and second marks.
std::size_t SeparatorLength(std::string_view text, std::size_t i) {
    const char c = text[i];
    if (c == ' ' || c == ':' || c == '\'' || c == '"') {
        return 1;
    }
    if (text.substr(i, 2) == "\xC2\xB0" || text.substr(i, 2) == "\xC2\xBA") {
        return 2;
    }
    return 0;
}

}  // namespace

std::optional<double> PlainAngle(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    double parts[3] = {0.0, 0.0, 0.0};
    int found = 0;
    while (i < text.size()) {
        if (const std::size_t mark = SeparatorLength(text, i)) {
            i += mark;
            continue;
        }
        if (!IsDigit(text[i]) || found == 3) {
            return std::nullopt;  // letters, exponents, a second sign, a fourth number
        }
        std::size_t j = i;
        while (j < text.size() && IsDigit(text[j])) {
            ++j;
        }
        if (j < text.size() && text[j] == '.') {
            ++j;
            while (j < text.size() && IsDigit(text[j])) {
                ++j;
            }
        }
        double value = 0.0;
        if (std::from_chars(text.data() + i, text.data() + j, value).ec != std::errc()) {
            return std::nullopt;
        }
        parts[found++] = value;
        i = j;
    }
    if (found == 0 || parts[1] >= 60.0 || parts[2] >= 60.0) {
        return std::nullopt;
    }
    const double magnitude = parts[0] + parts[1] / 60.0 + parts[2] / 3600.0;
    return negative ? -magnitude : magnitude;
}

std::vector<MappingPoint> ParsePointFile(std::string_view bytes) {
    std::vector<MappingPoint> points;
    ForEachLine(bytes, [&points](std::size_t, std::string_view line) {
        const std::size_t comma = line.find(',');
        if (comma != std::string_view::npos) {
            points.push_back(MappingPoint{Cp1252ToUtf8(line.substr(0, comma)),
                                          Cp1252ToUtf8(line.substr(comma + 1))});
        }
    });
    return points;
}

void CheckPointFile(std::string_view bytes, const std::string& path) {
    ForEachLine(bytes, [&path](std::size_t number, std::string_view line) {
        const std::size_t comma = line.find(',');
        if (comma == std::string_view::npos) {
            return;
        }
        const struct {
            std::string text;
            const char* name;
            double most;
        } angles[] = {{Cp1252ToUtf8(line.substr(0, comma)), "altitude", 90.0},
                      {Cp1252ToUtf8(line.substr(comma + 1)), "azimuth", 360.0}};
        for (const auto& a : angles) {
            const std::optional<double> value = PlainAngle(a.text);
            if (!value || *value < 0.0 || *value > a.most) {
                throw AutomationError(
                    kErrTypeMismatch,
                    path + ", line " + std::to_string(number) + ": the " + a.name + " \"" + a.text +
                        "\" is not an angle from 0 to " + (a.most == 90.0 ? "90" : "360") +
                        " degrees; correct the line and load the file again");
            }
        }
    });
}

std::string FormatPointFile(const std::vector<MappingPoint>& points) {
    std::string bytes;
    for (const MappingPoint& p : points) {
        bytes += Utf8ToCp1252(p.alt) + "," + Utf8ToCp1252(p.az) + "\r\n";
    }
    return bytes;
}

std::vector<MappingPoint> ReadPointFile(std::istream& in, const std::string& path) {
    std::string bytes;
    std::array<char, 4096> buffer{};
    while (in.read(buffer.data(), buffer.size()) || in.gcount() > 0) {
        bytes.append(buffer.data(), static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        const int code = errno;
        throw AutomationError(kErrDeviceIO, "Cannot read " + path +
                                                (code != 0 ? ": " + std::string(std::strerror(code))
                                                           : std::string()));
    }
    CheckPointFile(bytes, path);
    return ParsePointFile(bytes);
}

std::vector<MappingPoint> ReadPointFile(const std::string& path) {
    CheckReadableFile(path);
    errno = 0;
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in) {
        throw AutomationError(kErrFileNotFound, "Cannot open " + path + ": " +
                                                    std::strerror(errno != 0 ? errno : ENOENT));
    }
    errno = 0;
    return ReadPointFile(in, path);
}

void WritePointFile(const std::string& path, const std::vector<MappingPoint>& points) {
    WriteFileReplacing(path, FormatPointFile(points));
}

}  // namespace kov

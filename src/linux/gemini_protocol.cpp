#include "linux/gemini_protocol.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "mount/driver_utils.h"
#include "station/automation_error.h"

namespace kov::gemini {

namespace {

constexpr char kAck = '\x06';

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Whole seconds of an angle, with the sign kept apart so "-00*30:00" keeps its minus.
struct Sexagesimal {
    bool negative = false;
    long whole = 0;
    long minutes = 0;
    long seconds = 0;
};

Sexagesimal Split(double value) {
    Sexagesimal s;
    s.negative = value < 0.0;
    const long total = std::lround(std::fabs(value) * 3600.0);
    s.whole = total / 3600;
    s.minutes = (total / 60) % 60;
    s.seconds = total % 60;
    return s;
}

}  // namespace

CommandKind Classify(std::string_view framed) {
    if (framed == std::string_view(&kAck, 1)) {
        return {ReplyShape::Hash, false};
    }
    if (StartsWith(framed, "<")) {
        return {ReplyShape::Hash, false};
    }
    if (StartsWith(framed, ">")) {
        return {ReplyShape::None, true};
    }
    if (framed == ":Gv#" || framed == ":h?#") {
        return {ReplyShape::OneChar, false};
    }
    if (StartsWith(framed, ":G")) {
        return {ReplyShape::Hash, false};
    }
    if (StartsWith(framed, ":S")) {
        return {ReplyShape::OneChar, true};
    }
    if (framed == ":MS#" || framed == ":MA#") {
        return {ReplyShape::SlewResult, true};
    }
    if (StartsWith(framed, ":Q") || StartsWith(framed, ":h") || StartsWith(framed, ":U")) {
        return {ReplyShape::None, true};
    }
    return {ReplyShape::Hash, true};
}

char NativeChecksum(std::string_view body) {
    unsigned value = 0;
    for (const char c : body) {
        value ^= static_cast<unsigned char>(c);
    }
    return static_cast<char>(value % 128 + 64);
}

std::string FrameNative(std::string_view body) {
    if (body.empty() || (body.front() != '<' && body.front() != '>') ||
        body.find('#') != std::string_view::npos) {
        throw std::invalid_argument("not a native command body: " + std::string(body));
    }
    std::string framed(body);
    framed += NativeChecksum(body);
    framed += '#';
    return framed;
}

std::optional<std::string> CheckNative(std::string_view framed) {
    if (framed.size() < 3 || framed.back() != '#') {
        return std::nullopt;
    }
    const std::string_view body = framed.substr(0, framed.size() - 2);
    if (NativeChecksum(body) != framed[framed.size() - 2]) {
        return std::nullopt;
    }
    return std::string(body);
}

std::string HoursText(double hours) {
    const Sexagesimal s = Split(std::fmod(std::fmod(hours, 24.0) + 24.0, 24.0));
    char text[64];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", s.whole % 24, s.minutes, s.seconds);
    return text;
}

std::string DegreesText(double degrees) {
    const Sexagesimal s = Split(degrees);
    char text[64];
    std::snprintf(text, sizeof text, "%c%02ld*%02ld:%02ld", s.negative ? '-' : '+', s.whole,
                  s.minutes, s.seconds);
    return text;
}

std::string AzimuthText(double degrees) {
    const Sexagesimal s = Split(std::fmod(std::fmod(degrees, 360.0) + 360.0, 360.0));
    char text[64];
    std::snprintf(text, sizeof text, "%03ld*%02ld:%02ld", s.whole % 360, s.minutes, s.seconds);
    return text;
}

std::string FrameLx200(std::string_view command) {
    if (command.empty() || command.front() == ':' || command.front() == kAck) {
        return std::string(command);
    }
    const auto angle = [&](std::string_view text) {
        try {
            return ParseDMS(text);
        } catch (const AutomationError&) {
            throw std::invalid_argument("no angle in " + std::string(command));
        }
    };
    std::string body(command);
    if (!body.empty() && body.back() == '#') {
        body.pop_back();
    }
    const std::string_view args =
        std::string_view(body).substr(std::min<std::size_t>(2, body.size()));
    if (StartsWith(body, "Sr")) {
        body = "Sr" + HoursText(angle(args));
    } else if (StartsWith(body, "Sd") || StartsWith(body, "Sa")) {
        body = body.substr(0, 2) + DegreesText(angle(args));
    } else if (StartsWith(body, "Sz")) {
        body = "Sz" + AzimuthText(angle(args));
    }
    return ":" + body + "#";
}

std::string EncodeDatagram(std::uint32_t sequence, std::string_view text) {
    std::string bytes(8, '\0');
    for (int i = 0; i < 4; ++i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<char>((sequence >> (8 * i)) & 0xFFu);
    }
    bytes.append(text);
    bytes.push_back('\0');
    return bytes;
}

std::optional<Datagram> DecodeDatagram(std::string_view bytes) {
    if (bytes.size() < 8) {
        return std::nullopt;
    }
    Datagram d;
    for (int i = 0; i < 4; ++i) {
        d.sequence |= static_cast<std::uint32_t>(
                          static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]))
                      << (8 * i);
    }
    const std::string_view text = bytes.substr(8);
    d.text = std::string(text.substr(0, text.find('\0')));
    return d;
}

std::optional<std::string> TakeCommand(std::string& buffer) {
    while (!buffer.empty()) {
        const char c = buffer.front();
        if (c == kAck) {
            buffer.erase(0, 1);
            return std::string(1, kAck);
        }
        if (c == ':' || c == '<' || c == '>') {
            const auto end = buffer.find('#');
            if (end == std::string::npos) {
                return std::nullopt;
            }
            std::string command = buffer.substr(0, end + 1);
            buffer.erase(0, end + 1);
            return command;
        }
        buffer.erase(0, 1);
    }
    return std::nullopt;
}

}  // namespace kov::gemini

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The Gemini controller's command language as it travels on its serial line and in Gemini-2
// datagrams: which commands answer how, which ones change the mount, native commands with their
// checksums, and the datagram frame. Plain text handling, no input or output.

namespace kov::gemini {

// How a command's answer ends on a byte stream.
enum class ReplyShape {
    None,        // nothing comes back (":Q#", native sets, park and wake commands)
    OneChar,     // one character, no terminator (":Sr..#", ":Gv#", ":h?#")
    Hash,        // text up to and including '#'
    SlewResult,  // '0' alone when the slew starts, otherwise a digit, a text and '#'
};

struct CommandKind {
    ReplyShape reply = ReplyShape::Hash;
    // True for everything that is not a plain read: such a command is never sent a second time,
    // since a repeated "Cm" adds a false alignment point and a repeated slew or target is no
    // longer what the caller asked for.
    bool changesState = true;
};

// Classifies a framed command (":GR#", "<201:u#", "\x06"). Unknown commands count as changing
// the mount, so nothing unknown is ever repeated.
CommandKind Classify(std::string_view framed);

// The checksum character of a native command: the XOR of all its characters, modulo 128,
// plus 64.
char NativeChecksum(std::string_view body);
// "<201:" -> "<201:u#"; a body that already ends in "#" or carries a checksum is refused.
std::string FrameNative(std::string_view body);
// The body of a framed native command whose checksum is right; nothing when it is not.
std::optional<std::string> CheckNative(std::string_view framed);

// A command as the ASCOM driver role takes it ("Sr10:30:00", "CM", ":GR#") put into the
// controller's framing. Targets are written in the controller's documented form
// ("Sr10:30:00", "Sd+21*15:00"), so the same target is the same bytes whoever sends it.
// Throws std::invalid_argument for a target text that holds no angle.
std::string FrameLx200(std::string_view command);

// Angles in the controller's texts.
std::string HoursText(double hours);      // "HH:MM:SS", rounded to the second
std::string DegreesText(double degrees);  // "sDD*MM:SS"
std::string AzimuthText(double degrees);  // "DDD*MM:SS"

// A Gemini-2 datagram: a 32-bit little-endian sequence number, four zero bytes, the text, NUL.
std::string EncodeDatagram(std::uint32_t sequence, std::string_view text);
struct Datagram {
    std::uint32_t sequence = 0;
    std::string text;  // up to the first NUL
};
std::optional<Datagram> DecodeDatagram(std::string_view bytes);

// Takes the first whole command off the front of a byte stream: the ACK byte alone, or text up
// to '#'. Bytes before a command's first character (line noise) are dropped.
std::optional<std::string> TakeCommand(std::string& buffer);

}  // namespace kov::gemini

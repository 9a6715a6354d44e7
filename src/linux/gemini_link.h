#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "linux/gemini_protocol.h"

// The program's own line to a Gemini controller: one command at a time over a Gemini-2
// datagram socket, a serial port or a TCP stream (a serial-to-network bridge or a simulator).
// Reads that get no answer are asked again; a command that changes the mount is sent exactly
// once, and a lost answer to it is an error for the caller's error path.

namespace kov::gemini {

// The error number of a link that cannot be opened or got no answer in time.
inline constexpr std::int32_t kErrGeminiLink = static_cast<std::int32_t>(0x80040501u);

// Where the controller is: "udp:HOST[:PORT]" (port 11110 by default), "tcp:HOST:PORT" or
// "serial:PATH[@BAUD]" (9600 baud by default); a bare "/dev/..." path is a serial port.
struct LinkAddress {
    enum class Kind { Udp, Tcp, Serial } kind = Kind::Udp;
    std::string host;  // the device path for a serial port
    int port = 11110;  // the baud rate for a serial port
};
// Throws std::invalid_argument with a text that says what a valid address looks like.
LinkAddress ParseLinkAddress(const std::string& text);
std::string ToString(const LinkAddress& address);

// One transport: sends a framed command and waits for its answer.
class Channel {
  public:
    virtual ~Channel() = default;
    // The answer as it came (a '#'-terminated text, one character, or "" for a command that
    // has none), or nothing when it did not come before the time-out. Throws std::runtime_error
    // when the line itself fails.
    virtual std::optional<std::string> exchange(const std::string& framed, ReplyShape shape,
                                                std::chrono::milliseconds timeout) = 0;
};

// Opens the transport an address names (POSIX sockets and termios); throws std::runtime_error
// with the system's reason when it cannot.
std::unique_ptr<Channel> OpenChannel(const LinkAddress& address);

struct LinkOptions {
    std::chrono::milliseconds readTimeout{1000};
    // Commands that change the mount may take the controller longer (a "Cm" refits its model).
    std::chrono::milliseconds changeTimeout{3000};
    int readAttempts = 3;
};

class GeminiLink {
  public:
    GeminiLink(std::unique_ptr<Channel> channel, std::string description, LinkOptions options = {});

    // Opens the link an address names; throws AutomationError (kErrGeminiLink) when it cannot.
    static std::shared_ptr<GeminiLink> Open(const std::string& address, LinkOptions options = {});

    // Sends one framed command (":GR#", "<201:u#", "\x06") and returns its answer without the
    // closing '#'. Safe to call from several threads: commands never interleave on the line.
    // Throws AutomationError (kErrGeminiLink) when no answer came.
    std::string command(const std::string& framed);
    // A native command from its body ("<201:"), with its checksum and terminator added.
    std::string native(const std::string& body) { return command(FrameNative(body)); }

    const std::string& description() const { return description_; }
    // Commands sent, counting every try: the tests check that a change went out once.
    std::uint64_t sent() const;

  private:
    std::unique_ptr<Channel> channel_;
    std::string description_;
    LinkOptions options_;
    mutable std::mutex mutex_;
    std::uint64_t sent_ = 0;
};

}  // namespace kov::gemini

#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// A Gemini controller served on a real line: Gemini-2 datagrams, a TCP port or a
// pseudo-terminal that stands for its serial port. What the controller answers comes from a
// responder (the simulated controller, see sim/gemini_wire.h); this class only carries bytes,
// on a thread of its own, and can be told to lose or spoil some of them for tests.

namespace kov::gemini {

// Answers one framed command; "" when it has nothing to say, nothing when it stays silent.
using Responder = std::function<std::optional<std::string>(const std::string&)>;

class GeminiServer {
  public:
    // Where to serve: "udp:HOST:PORT" or "tcp:HOST:PORT" (port 0: a free one), or "pty".
    // Throws std::runtime_error when the port cannot be had.
    GeminiServer(const std::string& endpoint, Responder responder);
    ~GeminiServer();
    GeminiServer(const GeminiServer&) = delete;
    GeminiServer& operator=(const GeminiServer&) = delete;

    // The address a link opens to reach this server: "udp:127.0.0.1:40123",
    // "tcp:127.0.0.1:40124" or "serial:/dev/pts/7".
    const std::string& address() const { return address_; }

    // Held while the responder runs: lock it to look at what the responder serves.
    std::mutex& mutex() { return mutex_; }

    // Commands as they arrived, and for datagrams the whole datagram as it arrived.
    std::vector<std::string> received() const;
    std::vector<std::string> datagrams() const;
    void clearRecord();

    // --- Faults, each for the next `times` commands of exactly this text ---------------------
    // The command reaches the controller but its answer is lost on the way back.
    void dropReply(const std::string& framed, int times = 1);
    // A datagram with the previous sequence number and a wrong text comes first.
    void staleReplyFirst(const std::string& framed, int times = 1);
    // The checksum character of the next native commands is spoiled on the way in.
    void garbleNative(int times = 1);

  private:
    struct Client {
        int fd = -1;
        std::string buffer;
    };
    void run();
    std::optional<std::string> respond(std::string framed);
    bool take(std::map<std::string, int>& faults, const std::string& framed);
    void serveStream(Client& client, bool& closed);
    void serveDatagram();

    Responder responder_;
    std::string address_;
    enum class Kind { Udp, Tcp, Pty } kind_ = Kind::Udp;
    int fd_ = -1;        // datagram socket, listening socket or pseudo-terminal master
    int ptySlave_ = -1;  // kept open so the line stays up between clients
    std::vector<Client> clients_;
    mutable std::mutex mutex_;
    mutable std::mutex recordMutex_;
    std::vector<std::string> received_;
    std::vector<std::string> datagrams_;
    std::map<std::string, int> drop_;
    std::map<std::string, int> stale_;
    int garble_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace kov::gemini

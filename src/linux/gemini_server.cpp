// Serving a Gemini on sockets and a pseudo-terminal: the server's side of the POSIX calls.

#include "linux/gemini_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "linux/gemini_link.h"
#include "linux/gemini_protocol.h"

namespace kov::gemini {

namespace {

std::runtime_error SystemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

sockaddr_in Loopback(const std::string& host, int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::inet_pton(AF_INET, host.c_str(), &a.sin_addr) != 1) {
        throw std::runtime_error("serve on an IPv4 address such as 127.0.0.1, not " + host);
    }
    return a;
}

int BoundPort(int fd) {
    sockaddr_in a{};
    socklen_t length = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    return ntohs(a.sin_port);
}

void SendAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
                pollfd p{fd, POLLOUT, 0};
                if (::poll(&p, 1, 1000) > 0) {
                    continue;
                }
            }
            return;  // the client is gone; its loss is its own
        }
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

GeminiServer::GeminiServer(const std::string& endpoint, Responder responder)
    : responder_(std::move(responder)) {
    if (endpoint == "pty") {
        kind_ = Kind::Pty;
        fd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        if (fd_ < 0 || ::grantpt(fd_) != 0 || ::unlockpt(fd_) != 0) {
            throw SystemError("cannot make a pseudo-terminal");
        }
        const char* name = ::ptsname(fd_);
        if (!name) {
            throw SystemError("cannot name the pseudo-terminal");
        }
        const std::string path = name;
        ptySlave_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios t{};
        if (ptySlave_ < 0 || ::tcgetattr(ptySlave_, &t) != 0) {
            throw SystemError("cannot open " + path);
        }
        // Raw from the start, so nothing is echoed or changed before a client sets it up.
        ::cfmakeraw(&t);
        ::tcsetattr(ptySlave_, TCSANOW, &t);
        address_ = "serial:" + path;
    } else {
        const LinkAddress a = ParseLinkAddress(endpoint);
        if (a.kind == LinkAddress::Kind::Serial) {
            throw std::runtime_error("serve on udp:HOST:PORT, tcp:HOST:PORT or pty");
        }
        const bool udp = a.kind == LinkAddress::Kind::Udp;
        kind_ = udp ? Kind::Udp : Kind::Tcp;
        fd_ = ::socket(AF_INET, (udp ? SOCK_DGRAM : SOCK_STREAM) | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        const int one = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        const sockaddr_in where = Loopback(a.host, a.port);
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0 ||
            (!udp && ::listen(fd_, 4) != 0)) {
            const std::runtime_error e = SystemError("cannot serve on " + endpoint);
            if (fd_ >= 0) {
                ::close(fd_);
            }
            throw e;
        }
        address_ = (udp ? "udp:" : "tcp:") + a.host + ":" + std::to_string(BoundPort(fd_));
    }
    thread_ = std::thread([this] { run(); });
}

GeminiServer::~GeminiServer() {
    stop_ = true;
    thread_.join();
    for (const Client& c : clients_) {
        ::close(c.fd);
    }
    if (ptySlave_ >= 0) {
        ::close(ptySlave_);
    }
    ::close(fd_);
}

std::vector<std::string> GeminiServer::received() const {
    std::lock_guard lock(recordMutex_);
    return received_;
}

std::vector<std::string> GeminiServer::datagrams() const {
    std::lock_guard lock(recordMutex_);
    return datagrams_;
}

void GeminiServer::clearRecord() {
    std::lock_guard lock(recordMutex_);
    received_.clear();
    datagrams_.clear();
}

void GeminiServer::dropReply(const std::string& framed, int times) {
    std::lock_guard lock(recordMutex_);
    drop_[framed] += times;
}

void GeminiServer::staleReplyFirst(const std::string& framed, int times) {
    std::lock_guard lock(recordMutex_);
    stale_[framed] += times;
}

void GeminiServer::garbleNative(int times) {
    std::lock_guard lock(recordMutex_);
    garble_ += times;
}

bool GeminiServer::take(std::map<std::string, int>& faults, const std::string& framed) {
    std::lock_guard lock(recordMutex_);
    auto it = faults.find(framed);
    if (it == faults.end() || it->second <= 0) {
        return false;
    }
    if (--it->second == 0) {
        faults.erase(it);
    }
    return true;
}

std::optional<std::string> GeminiServer::respond(std::string framed) {
    bool drop = false;
    {
        std::lock_guard lock(recordMutex_);
        if (garble_ > 0 && framed.size() > 2 && (framed[0] == '<' || framed[0] == '>')) {
            --garble_;
            framed[framed.size() - 2] = static_cast<char>(framed[framed.size() - 2] ^ 0x01);
        }
        received_.push_back(framed);
    }
    drop = take(drop_, framed);
    std::optional<std::string> reply;
    {
        std::lock_guard lock(mutex_);
        reply = responder_(framed);
    }
    return drop ? std::nullopt : reply;
}

void GeminiServer::serveDatagram() {
    char buffer[512];
    sockaddr_storage from{};
    socklen_t length = sizeof from;
    const ssize_t n =
        ::recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
    if (n <= 0) {
        return;
    }
    const std::string bytes(buffer, static_cast<std::size_t>(n));
    {
        std::lock_guard lock(recordMutex_);
        datagrams_.push_back(bytes);
    }
    const auto request = DecodeDatagram(bytes);
    if (!request) {
        return;
    }
    const bool stale = take(stale_, request->text);
    const auto reply = respond(request->text);
    const auto send = [&](std::uint32_t sequence, const std::string& text) {
        const std::string out = EncodeDatagram(sequence, text);
        ::sendto(fd_, out.data(), out.size(), 0, reinterpret_cast<const sockaddr*>(&from), length);
    };
    if (stale) {
        send(request->sequence - 1, "00:00:00#");
    }
    // Every datagram is answered, even a command with nothing to say, so a client never waits
    // on a socket for an answer that does not exist.
    if (reply) {
        send(request->sequence, *reply);
    }
}

void GeminiServer::serveStream(Client& client, bool& closed) {
    char buffer[256];
    const ssize_t n = ::read(client.fd, buffer, sizeof buffer);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO)) {
        closed = true;
        return;
    }
    if (n < 0) {
        return;
    }
    client.buffer.append(buffer, static_cast<std::size_t>(n));
    while (auto framed = TakeCommand(client.buffer)) {
        const auto reply = respond(*framed);
        if (reply && !reply->empty()) {
            SendAll(client.fd, *reply);
        }
    }
}

void GeminiServer::run() {
    Client pty{fd_, {}};
    while (!stop_) {
        std::vector<pollfd> watch{{fd_, POLLIN, 0}};
        for (const Client& c : clients_) {
            watch.push_back({c.fd, POLLIN, 0});
        }
        // A short wait, so a stop request is seen soon.
        if (::poll(watch.data(), watch.size(), 50) <= 0) {
            continue;
        }
        if (watch[0].revents) {
            if (kind_ == Kind::Udp) {
                serveDatagram();
            } else if (kind_ == Kind::Pty) {
                bool closed = false;
                serveStream(pty, closed);
                if (closed || (watch[0].revents & POLLHUP)) {
                    // No client holds the line; wait a moment rather than spin on the hang-up.
                    ::usleep(20000);
                }
            } else {
                const int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
                if (client >= 0) {
                    clients_.push_back({client, {}});
                }
            }
        }
        for (std::size_t i = 1; i < watch.size(); ++i) {
            if (!watch[i].revents) {
                continue;
            }
            bool closed = false;
            serveStream(clients_[i - 1], closed);
            if (closed) {
                ::close(clients_[i - 1].fd);
                clients_[i - 1].fd = -1;
            }
        }
        std::erase_if(clients_, [](const Client& c) { return c.fd < 0; });
    }
}

}  // namespace kov::gemini

// The one place where the Gemini link meets the operating system: datagram and stream sockets,
// the serial port through termios, and bounded waits with poll().

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "linux/gemini_link.h"

namespace kov::gemini {

namespace {

using Clock = std::chrono::steady_clock;

std::runtime_error SystemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

// Waits until the descriptor has bytes or the deadline passes; false at the deadline.
bool WaitReadable(int fd, Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return false;
        }
        pollfd p{fd, POLLIN, 0};
        const int n = ::poll(&p, 1, static_cast<int>(left));
        if (n > 0) {
            if (p.revents & POLLNVAL) {
                throw std::runtime_error("the line is closed");
            }
            // An error (POLLERR) is read like data: the read that follows says what it was.
            return true;
        }
        if (n < 0 && errno != EINTR) {
            throw SystemError("waiting for the answer failed");
        }
    }
}

void WriteAll(int fd, const std::string& bytes, Clock::time_point deadline) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            throw SystemError("sending failed");
        }
        pollfd p{fd, POLLOUT, 0};
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) == 0) {
            throw std::runtime_error("the line took no more bytes");
        }
    }
}

sockaddr_storage Resolve(const std::string& host, int port, int type, socklen_t& length) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = type;
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (rc != 0 || !found) {
        throw std::runtime_error("cannot find host " + host + ": " + ::gai_strerror(rc));
    }
    sockaddr_storage address{};
    std::memcpy(&address, found->ai_addr, found->ai_addrlen);
    length = found->ai_addrlen;
    ::freeaddrinfo(found);
    return address;
}

// Gemini-2 datagrams: every command carries the next sequence number and its answer carries
// the same one, so an answer that arrives after its time-out is recognised and dropped.
class UdpChannel : public Channel {
  public:
    UdpChannel(const std::string& host, int port) {
        socklen_t length = 0;
        const sockaddr_storage peer = Resolve(host, port, SOCK_DGRAM, length);
        fd_ = std::make_unique<Descriptor>(
            ::socket(peer.ss_family, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (fd_->get() < 0) {
            throw SystemError("cannot make a datagram socket");
        }
        // Connected, so only the controller's own datagrams reach us.
        if (::connect(fd_->get(), reinterpret_cast<const sockaddr*>(&peer), length) != 0) {
            throw SystemError("cannot reach " + host);
        }
    }

    std::optional<std::string> exchange(const std::string& framed, ReplyShape shape,
                                        std::chrono::milliseconds timeout) override {
        const auto deadline = Clock::now() + timeout;
        const std::uint32_t sequence = ++sequence_;
        const std::string datagram = EncodeDatagram(sequence, framed);
        // A refusal left over from an earlier datagram is reported by this send; it says
        // nothing about this one, which goes out again.
        if (::send(fd_->get(), datagram.data(), datagram.size(), 0) < 0 &&
            (errno != ECONNREFUSED ||
             ::send(fd_->get(), datagram.data(), datagram.size(), 0) < 0)) {
            throw SystemError("sending the datagram failed");
        }
        if (shape == ReplyShape::None) {
            return std::string();
        }
        char buffer[512];
        while (WaitReadable(fd_->get(), deadline)) {
            const ssize_t n = ::recv(fd_->get(), buffer, sizeof buffer, 0);
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR) {
                    continue;
                }
                // A refused port shows as an error on the next receive: nobody listens there.
                if (errno == ECONNREFUSED) {
                    continue;
                }
                throw SystemError("receiving failed");
            }
            const auto reply =
                DecodeDatagram(std::string_view(buffer, static_cast<std::size_t>(n)));
            if (reply && reply->sequence == sequence) {
                return reply->text;
            }
        }
        return std::nullopt;
    }

  private:
    std::unique_ptr<Descriptor> fd_;
    std::uint32_t sequence_ = 0;
};

// A byte stream (serial port or TCP): the answer's end is known from the command.
class StreamChannel : public Channel {
  public:
    StreamChannel(int fd, bool exclusive) : fd_(fd), exclusive_(exclusive) {}
    ~StreamChannel() override {
        // The port's exclusive hold ends with us, even where another program keeps it open.
        if (exclusive_) {
            ::ioctl(fd_.get(), TIOCNXCL);
        }
    }

    std::optional<std::string> exchange(const std::string& framed, ReplyShape shape,
                                        std::chrono::milliseconds timeout) override {
        const auto deadline = Clock::now() + timeout;
        // Bytes still on the line belong to an earlier command whose answer came late.
        discardPending();
        WriteAll(fd_.get(), framed, deadline);
        if (shape == ReplyShape::None) {
            return std::string();
        }
        std::string reply;
        while (!complete(reply, shape)) {
            if (!WaitReadable(fd_.get(), deadline)) {
                return std::nullopt;
            }
            char c = 0;
            const ssize_t n = ::read(fd_.get(), &c, 1);
            if (n == 0) {
                throw std::runtime_error("the other end closed the line");
            }
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR) {
                    continue;
                }
                throw SystemError("reading failed");
            }
            reply.push_back(c);
        }
        return reply;
    }

  private:
    static bool complete(const std::string& reply, ReplyShape shape) {
        switch (shape) {
            case ReplyShape::None:
                return true;
            case ReplyShape::OneChar:
                return reply.size() == 1;
            case ReplyShape::Hash:
                return !reply.empty() && reply.back() == '#';
            case ReplyShape::SlewResult:
                return reply == "0" || (reply.size() > 1 && reply.back() == '#');
        }
        return true;
    }

    void discardPending() {
        char buffer[256];
        for (;;) {
            pollfd p{fd_.get(), POLLIN, 0};
            if (::poll(&p, 1, 0) <= 0 || !(p.revents & POLLIN)) {
                return;
            }
            if (::read(fd_.get(), buffer, sizeof buffer) <= 0) {
                return;
            }
        }
    }

    Descriptor fd_;
    bool exclusive_;
};

int OpenTcp(const std::string& host, int port) {
    socklen_t length = 0;
    const sockaddr_storage peer = Resolve(host, port, SOCK_STREAM, length);
    const int fd = ::socket(peer.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        throw SystemError("cannot make a stream socket");
    }
    Descriptor guard(fd);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&peer), length) != 0) {
        if (errno != EINPROGRESS) {
            throw SystemError("cannot connect to " + host + ":" + std::to_string(port));
        }
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, 3000) <= 0) {
            throw std::runtime_error("no connection to " + host + ":" + std::to_string(port) +
                                     " within 3 s");
        }
        int error = 0;
        socklen_t size = sizeof error;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
        if (error != 0) {
            errno = error;
            throw SystemError("cannot connect to " + host + ":" + std::to_string(port));
        }
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return guard.release();
}

speed_t Baud(int rate) {
    switch (rate) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            throw std::runtime_error(std::to_string(rate) + " baud is not a serial rate");
    }
}

// Raw 8N1 at the given rate, opened for this program alone: a second program talking on the
// same line would take answers meant for us.
int OpenSerial(const std::string& path, int rate) {
    const speed_t speed = Baud(rate);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throw SystemError("cannot open " + path);
    }
    Descriptor guard(fd);
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        throw SystemError(path + " is not a serial port");
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        throw SystemError("cannot have " + path + " to ourselves");
    }
    ::cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0 ||
        ::tcsetattr(fd, TCSANOW, &t) != 0) {
        throw SystemError("cannot set " + path + " to " + std::to_string(rate) + " 8N1");
    }
    ::tcflush(fd, TCIOFLUSH);
    return guard.release();
}

}  // namespace

std::unique_ptr<Channel> OpenChannel(const LinkAddress& address) {
    switch (address.kind) {
        case LinkAddress::Kind::Udp:
            return std::make_unique<UdpChannel>(address.host, address.port);
        case LinkAddress::Kind::Tcp:
            return std::make_unique<StreamChannel>(OpenTcp(address.host, address.port), false);
        case LinkAddress::Kind::Serial:
            return std::make_unique<StreamChannel>(OpenSerial(address.host, address.port), true);
    }
    throw std::runtime_error("unknown kind of link");
}

}  // namespace kov::gemini

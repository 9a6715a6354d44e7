#include "linux/gemini_link.h"

#include <stdexcept>

#include "station/automation_error.h"

namespace kov::gemini {

namespace {

std::string Seconds(std::chrono::milliseconds ms) {
    const long long whole = ms.count() / 1000;
    const long long tenths = (ms.count() % 1000) / 100;
    return std::to_string(whole) + (tenths ? "." + std::to_string(tenths) : "") + " s";
}

// Printable form of a command for the operator: the ACK byte has no glyph.
std::string Shown(const std::string& framed) {
    return framed == "\x06" ? "ACK" : framed;
}

int Number(const std::string& text, const std::string& whole) {
    try {
        std::size_t used = 0;
        const int n = std::stoi(text, &used);
        if (used == text.size() && n >= 0 && n < 65536 * 64) {
            return n;
        }
    } catch (const std::exception&) {
    }
    throw std::invalid_argument("\"" + whole + "\" has no valid port or baud rate");
}

}  // namespace

LinkAddress ParseLinkAddress(const std::string& text) {
    const std::string usage =
        "Give the Gemini as udp:HOST[:PORT], tcp:HOST:PORT or serial:/dev/PATH[@BAUD], not \"" +
        text + "\"";
    LinkAddress a;
    std::string rest;
    if (text.rfind("udp:", 0) == 0) {
        a.kind = LinkAddress::Kind::Udp;
        rest = text.substr(4);
    } else if (text.rfind("tcp:", 0) == 0) {
        a.kind = LinkAddress::Kind::Tcp;
        rest = text.substr(4);
    } else if (text.rfind("serial:", 0) == 0 || text.rfind("/dev/", 0) == 0) {
        a.kind = LinkAddress::Kind::Serial;
        rest = text.rfind("serial:", 0) == 0 ? text.substr(7) : text;
        const auto at = rest.find('@');
        a.host = rest.substr(0, at);
        a.port = at == std::string::npos ? 9600 : Number(rest.substr(at + 1), text);
        if (a.host.empty()) {
            throw std::invalid_argument(usage);
        }
        return a;
    } else {
        throw std::invalid_argument(usage);
    }
    const auto colon = rest.rfind(':');
    a.host = rest.substr(0, colon);
    if (colon != std::string::npos) {
        a.port = Number(rest.substr(colon + 1), text);
    } else if (a.kind == LinkAddress::Kind::Tcp) {
        throw std::invalid_argument(usage);
    }
    if (a.host.empty() || a.port > 65535) {
        throw std::invalid_argument(usage);
    }
    return a;
}

std::string ToString(const LinkAddress& a) {
    switch (a.kind) {
        case LinkAddress::Kind::Udp:
            return "udp:" + a.host + ":" + std::to_string(a.port);
        case LinkAddress::Kind::Tcp:
            return "tcp:" + a.host + ":" + std::to_string(a.port);
        case LinkAddress::Kind::Serial:
            return "serial:" + a.host + "@" + std::to_string(a.port);
    }
    return a.host;
}

GeminiLink::GeminiLink(std::unique_ptr<Channel> channel, std::string description,
                       LinkOptions options)
    : channel_(std::move(channel)), description_(std::move(description)), options_(options) {}

std::shared_ptr<GeminiLink> GeminiLink::Open(const std::string& address, LinkOptions options) {
    LinkAddress parsed;
    try {
        parsed = ParseLinkAddress(address);
    } catch (const std::invalid_argument& e) {
        throw AutomationError(kErrGeminiLink, e.what());
    }
    try {
        return std::make_shared<GeminiLink>(OpenChannel(parsed), ToString(parsed), options);
    } catch (const std::runtime_error& e) {
        throw AutomationError(kErrGeminiLink, "Cannot open the Gemini link " + ToString(parsed) +
                                                  ": " + e.what() +
                                                  ". Check the address and that nothing else "
                                                  "holds the port.");
    }
}

std::uint64_t GeminiLink::sent() const {
    std::lock_guard lock(mutex_);
    return sent_;
}

std::string GeminiLink::command(const std::string& framed) {
    std::lock_guard lock(mutex_);
    const CommandKind kind = Classify(framed);
    const int attempts = kind.changesState ? 1 : std::max(1, options_.readAttempts);
    const auto timeout = kind.changesState ? options_.changeTimeout : options_.readTimeout;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        std::optional<std::string> reply;
        try {
            ++sent_;
            reply = channel_->exchange(framed, kind.reply, timeout);
        } catch (const std::runtime_error& e) {
            throw AutomationError(kErrGeminiLink, "The Gemini link " + description_ +
                                                      " failed while sending " + Shown(framed) +
                                                      ": " + e.what() +
                                                      ". Check the cable or the network.");
        }
        if (reply) {
            if (!reply->empty() && reply->back() == '#') {
                reply->pop_back();
            }
            return *reply;
        }
    }
    if (kind.changesState) {
        throw AutomationError(
            kErrGeminiLink, "The Gemini did not answer " + Shown(framed) + " over " + description_ +
                                " within " + Seconds(timeout) +
                                ". It was not sent again, since the controller may have taken "
                                "it: check the mount and its alignment before going on.");
    }
    throw AutomationError(kErrGeminiLink, "The Gemini did not answer " + Shown(framed) + " over " +
                                              description_ + " (" + std::to_string(attempts) +
                                              " tries of " + Seconds(timeout) +
                                              "). Check that the controller is on and that the "
                                              "address is right.");
}

}  // namespace kov::gemini

#include "linux/gemini_roles.h"

#include <cmath>
#include <stdexcept>
#include <thread>

#include "mount/driver_utils.h"
#include "station/automation_error.h"

namespace kov::gemini {

namespace {

std::shared_ptr<GeminiLink> OpenChecked(SharedLink& shared) {
    auto link = shared.acquire();
    // The ACK names the controller's state: 'G' (ready, equatorial), 'A' (alt-az), or a start-up
    // phase ('B', 'b', 'S') in which it cannot take commands yet.
    const std::string state = link->command("\x06");
    if (state != "G" && state != "A") {
        throw AutomationError(kErrGeminiLink, "The Gemini on " + link->description() +
                                                  " is still starting up (it answered \"" + state +
                                                  "\"); finish its start on the hand controller "
                                                  "and connect again.");
    }
    return link;
}

AutomationError NotConnected() {
    return AutomationError(kErrNotConnected, "Telescope not connected");
}

double Angle(const std::string& reply, const char* what) {
    try {
        return ParseDMS(reply);
    } catch (const AutomationError&) {
        throw AutomationError(kErrGeminiLink, std::string("The Gemini answered \"") + reply +
                                                  "\" for its " + what + ", which is no angle");
    }
}

}  // namespace

std::string SharedLink::address() const {
    std::lock_guard lock(mutex_);
    return address_;
}

void SharedLink::setAddress(std::string address) {
    std::lock_guard lock(mutex_);
    if (address != address_) {
        address_ = std::move(address);
        link_.reset();
    }
}

std::shared_ptr<GeminiLink> SharedLink::acquire() {
    std::lock_guard lock(mutex_);
    if (auto link = link_.lock()) {
        return link;
    }
    auto link = GeminiLink::Open(address_, options_);
    link_ = link;
    return link;
}

void GeminiAscomDriver::SetConnected(bool value) {
    link_ = value ? OpenChecked(*shared_) : nullptr;
}

std::string GeminiAscomDriver::Name() {
    return "Losmandy Gemini (" + shared_->address() + ")";
}

GeminiLink& GeminiAscomDriver::link() {
    if (!link_) {
        throw NotConnected();
    }
    return *link_;
}

bool GeminiAscomDriver::CommandBool(const std::string& command) {
    return CommandString(command) == "1";
}

std::string GeminiAscomDriver::CommandString(const std::string& command) {
    GeminiLink& l = link();
    std::string framed;
    try {
        framed = FrameLx200(command);
    } catch (const std::invalid_argument& e) {
        throw AutomationError(kErrTypeMismatch, e.what());
    }
    return l.command(framed);
}

std::string GeminiAscomDriver::CommandNative(const std::string& command) {
    GeminiLink& l = link();
    std::string body = command;
    if (!body.empty() && body.back() == '#') {
        body.pop_back();
    }
    if (body.empty() || (body.front() != '<' && body.front() != '>')) {
        body.insert(body.begin(), '<');
    }
    return l.native(body);
}

void GeminiSkyTelescope::Connect() {
    link_ = OpenChecked(*shared_);
}

GeminiLink& GeminiSkyTelescope::link() {
    if (!link_) {
        throw AutomationError(kErrNotConnected, "The telescope is not connected");
    }
    return *link_;
}

void GeminiSkyTelescope::GetRaDec() {
    GeminiLink& l = link();
    ra_ = Angle(l.command(":GR#"), "right ascension");
    dec_ = Angle(l.command(":GD#"), "declination");
}

void GeminiSkyTelescope::GetAzAlt() {
    GeminiLink& l = link();
    alt_ = Angle(l.command(":GA#"), "altitude");
    az_ = Angle(l.command(":GZ#"), "azimuth");
}

void GeminiSkyTelescope::slew(const std::string& first, const std::string& second, const char* go) {
    GeminiLink& l = link();
    for (const std::string& target : {first, second}) {
        if (l.command(FrameLx200(target)) != "1") {
            throw AutomationError(kErrSlewRefused,
                                  "Slew failed: the Gemini refused the target " + target);
        }
    }
    const std::string started = l.command(go);
    if (started != "0") {
        const std::string why = started.size() > 1 ? started.substr(1) : "no reason given";
        throw AutomationError(kErrSlewRefused, "Slew failed: " + why);
    }
    if (asynchronous_) {
        return;
    }
    const auto end = std::chrono::steady_clock::now() + slewLimit_;
    while (IsSlewComplete() == 0) {
        if (std::chrono::steady_clock::now() > end) {
            Abort();
            throw AutomationError(kErrSlewRefused, "Slew failed: the mount did not arrive within " +
                                                       std::to_string(slewLimit_.count()) +
                                                       " s and was stopped");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
}

void GeminiSkyTelescope::SlewToRaDec(double ra, double dec, const std::string&) {
    const double d = std::remainder(dec, 360.0);
    if (!std::isfinite(ra) || !std::isfinite(d) || std::fabs(d) > 90.0) {
        throw AutomationError(kErrSlewRefused, "Slew failed: invalid coordinates");
    }
    slew("Sr" + HoursText(ra), "Sd" + DegreesText(d), ":MS#");
}

void GeminiSkyTelescope::SlewToAzAlt(double az, double alt, const std::string&) {
    if (!std::isfinite(az) || !std::isfinite(alt) || std::fabs(alt) > 90.0) {
        throw AutomationError(kErrSlewRefused, "Slew failed: invalid coordinates");
    }
    slew("Sz" + AzimuthText(az), "Sa" + DegreesText(alt), ":MA#");
}

int GeminiSkyTelescope::IsSlewComplete() {
    const std::string state = link().command(":Gv#");
    // Slewing or centring; tracking, guiding, stopped or stalled all mean the slew is over.
    return state == "S" || state == "C" ? 0 : 1;
}

void GeminiSkyTelescope::Abort() {
    link().command(":Q#");
}

}  // namespace kov::gemini

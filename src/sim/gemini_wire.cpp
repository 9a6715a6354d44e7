#include "sim/gemini_wire.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "mount/driver_utils.h"
#include "sim/observatory.h"
#include "sim/sim_world.h"

namespace kov::sim {

namespace {

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

std::string Sexagesimal(double value, bool sign, int wholeDigits, char degreeMark, bool seconds) {
    const bool negative = value < 0.0;
    const long total = std::lround(std::fabs(value) * (seconds ? 3600.0 : 60.0));
    const long whole = seconds ? total / 3600 : total / 60;
    const long minutes = seconds ? (total / 60) % 60 : total % 60;
    char text[64];
    if (seconds) {
        std::snprintf(text, sizeof text, "%s%0*ld%c%02ld:%02ld", sign ? (negative ? "-" : "+") : "",
                      wholeDigits, whole, degreeMark, minutes, total % 60);
    } else {
        std::snprintf(text, sizeof text, "%s%0*ld%c%02ld", sign ? (negative ? "-" : "+") : "",
                      wholeDigits, whole, degreeMark, minutes);
    }
    return text;
}

std::string Hours(double hours) {
    return Sexagesimal(WrapHours(std::round(hours * 3600.0) / 3600.0), false, 2, ':', true);
}

// The checksum rule of native commands: the XOR of all characters, modulo 128, plus 64.
bool ChecksumRight(const std::string& framed) {
    if (framed.size() < 3 || framed.back() != '#') {
        return false;
    }
    unsigned value = 0;
    for (std::size_t i = 0; i + 2 < framed.size(); ++i) {
        value ^= static_cast<unsigned char>(framed[i]);
    }
    return static_cast<unsigned char>(framed[framed.size() - 2]) == value % 128 + 64;
}

std::string UtcText(double epoch, const char* format) {
    const std::time_t t = static_cast<std::time_t>(epoch);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &t);
#else
    gmtime_r(&t, &utc);
#endif
    char text[64];
    std::strftime(text, sizeof text, format, &utc);
    return text;
}

}  // namespace

GeminiWire::GeminiWire(Observatory& observatory) : world_(observatory.world_) {}

std::string GeminiWire::controller(const std::string& framed) {
    SimWorld& w = *world_;
    std::string reply;
    if (auto scripted = w.scriptedReply(framed)) {
        reply = *scripted;
    } else {
        reply = w.controller.handle(framed, w.axes(), w.lst());
    }
    w.gemini.push_back({framed, reply});
    return reply;
}

std::string GeminiWire::slew(bool altAz) {
    SimWorld& w = *world_;
    const double lat = w.scenario.site.latitude;
    HaDec sky;
    if (altAz) {
        if (!targetAz_ || !targetAlt_) {
            return "2No object#";
        }
        sky = FromAltAz(AltAz{*targetAz_, *targetAlt_}, lat);
    } else {
        // The target as "Sr"/"Sd" left it with the controller.
        if (!targetRa_ || !targetDec_) {
            return "2No object#";
        }
        sky = HaDec{WrapSignedHours(w.lst() - *targetRa_), *targetDec_};
    }
    const AltAz local = ToAltAz(sky, lat);
    if (local.alt < w.horizonAt(local.az)) {
        return "1Object below horizon#";
    }
    w.slewController(sky);
    return "0";
}

std::optional<std::string> GeminiWire::answer(const std::string& framed) {
    SimWorld& w = *world_;
    const double lat = w.scenario.site.latitude;
    if (framed == "\x06") {
        return "G#";
    }
    if (StartsWith(framed, "<") || StartsWith(framed, ">")) {
        if (!ChecksumRight(framed)) {
            return std::nullopt;
        }
        if (framed[0] == '>') {
            return std::string();
        }
        const std::string body = framed.substr(0, framed.size() - 2);
        if (body == "<201:" || body == "<202:") {
            return controller(body) + "#";
        }
        return std::string("0#");
    }
    const HaDec reported = w.reportedSky();
    if (framed == ":GR#") {
        return Hours(w.lst() - reported.ha) + "#";
    }
    if (framed == ":GD#") {
        return Sexagesimal(reported.dec, true, 2, '*', true) + "#";
    }
    if (framed == ":GA#" || framed == ":GZ#") {
        const AltAz p = ToAltAz(reported, lat);
        return framed == ":GA#" ? Sexagesimal(p.alt, true, 2, '*', true) + "#"
                                : Sexagesimal(p.az, false, 3, '*', true) + "#";
    }
    if (framed == ":Gm#") {
        return w.axes().side == PierSide::East ? "E#" : "W#";
    }
    if (framed == ":Gv#") {
        return w.mount.slewing(w.now()) ? "S" : "T";
    }
    if (framed == ":h?#") {
        return "0";
    }
    if (framed == ":GS#") {
        return Hours(w.lst()) + "#";
    }
    if (framed == ":Gt#") {
        return Sexagesimal(lat, true, 2, '*', false) + "#";
    }
    if (framed == ":Gg#") {
        // The LX200 counts longitude westward.
        double west = -w.scenario.site.longitude;
        west = std::fmod(west + 360.0, 360.0);
        return Sexagesimal(west, false, 3, '*', false) + "#";
    }
    if (framed == ":GG#") {
        return "+00#";
    }
    if (framed == ":GL#") {
        return UtcText(w.now(), "%H:%M:%S") + "#";
    }
    if (framed == ":GC#") {
        return UtcText(w.now(), "%m/%d/%y") + "#";
    }
    if (framed == ":GM#") {
        return "Kov simulated site#";
    }
    if (framed == ":GVP#") {
        return "Losmandy Gemini#";
    }
    if (framed == ":GVN#") {
        return "6.0#";
    }
    if (framed == ":GVD#") {
        return "Jun 12 2024#";
    }
    if (framed == ":GVT#") {
        return "12:00:00#";
    }
    if (StartsWith(framed, ":Sr") || StartsWith(framed, ":Sd")) {
        const std::string reply = controller(framed);
        if (reply == "1") {
            const double value = ParseDMS(framed.substr(3, framed.size() - 4));
            (StartsWith(framed, ":Sr") ? targetRa_ : targetDec_) = value;
        }
        return reply;
    }
    if (StartsWith(framed, ":Sz") || StartsWith(framed, ":Sa")) {
        try {
            const double value = ParseDMS(framed.substr(3, framed.size() - 4));
            (StartsWith(framed, ":Sz") ? targetAz_ : targetAlt_) = value;
            return std::string("1");
        } catch (const AutomationError&) {
            return std::string("0");
        }
    }
    if (framed == ":MS#" || framed == ":MA#") {
        return slew(framed == ":MA#");
    }
    if (framed == ":CM#" || framed == ":Cm#") {
        return controller(framed);
    }
    if (StartsWith(framed, ":Q")) {
        // The axes stop where they stand.
        const AxisPosition here = w.axes();
        w.mount.slewTo(here, w.now(), w.lst(), Offsets{});
        w.mount.finishSlew(w.now());
        return std::string();
    }
    if (StartsWith(framed, ":G")) {
        return std::string("0#");
    }
    return std::string();
}

}  // namespace kov::sim

#include "mount/gemini_exchange.h"

#include <cmath>
#include <memory>
#include <string>

#include "model/station.h"
#include "mount/model_result_text.h"
#include "station/attempt.h"
#include "station/texts.h"

namespace kov {

namespace {

// Our own number for a target the controller answered false to; any non-zero number ends the
// exchange before the model terms are trusted.
constexpr std::int32_t kErrTargetRefused = 1001;

// Half a second in short slices with the window answering in between, so a STOP click lands
// while the mount changes hands.
void WaitHalfSecond(Station& st) {
    for (int slice = 0; slice < 5; ++slice) {
        st.ui.yield();
        st.clock.sleep(100);
    }
}

// The controller answers "", "#" or "Error" when it has no value to give.
bool IsValidReply(const std::string& reply) {
    return !reply.empty() && reply != "#" && reply != "Error";
}

// Asks for one model term (the reply is in arc seconds). False when the command failed, when an
// earlier command of the exchange failed, or when the reply holds no usable value.
bool ReadModelTerm(AscomTelescope& driver, const char* command, double& term, ErrorState& err) {
    std::string reply;
    Attempt(err, [&] { reply = driver.CommandNative(command); });
    if (err.failed() || !IsValidReply(reply)) {
        return false;
    }
    return Attempt(err, [&] { term = LeadingNumber(reply) / 60.0; });
}

// A solved centre as the controller may take it: right ascension wrapped into a day and
// rounded to the whole second the text carries (so it never reads "24:00:00"), declination
// within the poles. A declination past a pole or a value that is not a number is no position.
bool TargetInRange(double& dRA, double dDec) {
    if (!std::isfinite(dRA) || !std::isfinite(dDec) || std::fabs(dDec) > 90.0) {
        return false;
    }
    constexpr double kSecondsPerDay = 24.0 * 3600.0;
    double seconds = std::round(std::fmod(dRA * 3600.0, kSecondsPerDay));
    if (seconds < 0.0) {
        seconds += kSecondsPerDay;
    }
    if (seconds >= kSecondsPerDay) {
        seconds -= kSecondsPerDay;
    }
    dRA = seconds / 3600.0;
    return true;
}

// Tells the controller where the telescope points. Stops at the first failure or refusal:
// syncing on a target the controller did not take would put its previous target into the
// model as a false point.
void SendTarget(Station& st, AscomTelescope& driver, double dRA, double dDec, int sync,
                ErrorState& err) {
    if (!TargetInRange(dRA, dDec)) {
        err.set(kErrOverflow, "Target out of range");
        return;
    }
    Attempt(err, [&] {
        const auto util = st.objects.createDriverUtil(progid::kUtil);
        const std::string decText = Require(util).DegreesToDMS(dDec, ":", ":", "");
        const std::string raText = util->HoursToHMS(dRA, ":", ":", "");
        for (const std::string& command : {"Sr" + raText, "Sd" + decText}) {
            if (!driver.CommandBool(command)) {
                throw AutomationError(kErrTargetRefused, "The controller refused " + command);
            }
        }
        if (sync == 1) {
            driver.CommandString("CM");
        } else if (sync == 2) {
            driver.CommandString("Cm");
        }
    });
}

// The part of the exchange that needs the driver; every way out of it leads to the cleanup.
bool Exchange(Station& st, double& a, double& e, double dRA, double dDec, int sync) {
    ErrorState err;
    std::shared_ptr<AscomTelescope> driver;
    if (!Attempt(err, [&] { driver = st.objects.createAscomTelescope(st.settings.driverId); })) {
        st.ui.messageBox(err.description, "", Buttons::Ok, Icon::None);
        return false;
    }
    st.devices.ascom = driver;

    Attempt(err, [&] { Require(driver).SetConnected(true); });
    bool bConnected = false;
    Attempt(err, [&] { bConnected = Require(driver).Connected(); });
    if (!bConnected) {
        return false;
    }

    err.clear();
    if (sync > 0) {
        SendTarget(st, *driver, dRA, dDec, sync, err);
    }
    double first = 0.0;
    if (!ReadModelTerm(*driver, "<201:", first, err)) {
        return false;
    }
    a = first;
    err.clear();
    double second = 0.0;
    if (!ReadModelTerm(*driver, "<202:", second, err)) {
        return false;
    }
    e = second;
    return true;
}

}  // namespace

bool GetGeminiResult(Station& st, double& a, double& e, double dRA, double dDec, int sync) {
    DeviceObjects& dev = st.devices;
    // The driver cannot reach the mount while TheSky holds it.
    const bool bHoldReleased = dev.telescope != nullptr;
    if (bHoldReleased) {
        Attempt([&] { Require(dev.planetarium).DisconnectTelescope(); });
        WaitHalfSecond(st);
    }

    const bool result = Exchange(st, a, e, dRA, dDec, sync);

    if (dev.ascom) {
        Attempt([&] { dev.ascom->SetConnected(false); });
        dev.ascom.reset();
        WaitHalfSecond(st);
    }
    if (bHoldReleased) {
        Attempt([&] { Require(dev.telescope).Connect(); });
        WaitHalfSecond(st);
    }
    return result;
}

bool ShowGeminiTerms(Station& st, SentAs sent, const SkyPosition& solved,
                     const std::string& logPrefix) {
    int sync = 0;  // the controller's own numbering of what is sent
    switch (sent) {
        case SentAs::Nothing:
            break;
        case SentAs::Sync:
            sync = 1;
            break;
        case SentAs::Alignment:
            sync = 2;
            break;
    }
    if (sync != 0) {
        st.record.setSent(sent);
    }
    double a = 0.0;
    double e = 0.0;
    if (!GetGeminiResult(st, a, e, solved.ra, solved.dec, sync)) {
        return false;
    }
    const std::string text = ModelResultText(a, e);
    st.ui.setLabel(Label::GeminiResult, text);
    st.log.AddLog(logPrefix + text);
    if (sync == 0) {
        st.record.setStartTerms({a, e});
    } else {
        st.record.setTerms({a, e});
    }
    return true;
}

}  // namespace kov

#include "model/device_objects.h"

#include <string>

#include "model/run_state.h"
#include "model/station.h"
#include "station/attempt.h"
#include "station/texts.h"

namespace kov {

namespace {

// Log and box carry the same text, except that the box after a failed start drops "trying to".
// The failure stays in the error state for whoever looks at it next.
void ReportFailure(Station& st, const std::string& step, const AutomationError& failure,
                   const std::string& boxLead) {
    st.error.set(failure);
    BringToFront(st);
    st.log.AddLog("Error while trying to " + step + kCrLf + failure.description());
    st.ui.messageBox(boxLead + step + kCrLf + failure.description(), "KOV - ERROR", Buttons::Ok,
                     Icon::Critical);
}

}  // namespace

bool CreateObjects(Station& st) {
    st.error.clear();
    st.log.AddLog("Starting TheSky, CCDSoft");
    DeviceObjects& dev = st.devices;
    const bool bSky5 = st.settings.OptionSky5();
    std::string step;
    try {
        step = bSky5 ? "Starting TheSky 5" : "Starting TheSky 6";
        dev.planetarium = st.objects.createPlanetarium(bSky5 ? progid::kTheSky5 : progid::kTheSky6);
        // A new planetarium begins a new set: objects of an earlier start (perhaps of the other
        // TheSky version or camera program) must not stay beside it if a later step fails.
        dev.telescope.reset();
        dev.ccdCamera.reset();
        dev.maximCamera.reset();
        step = bSky5 ? "Starting SkyTelescope 5" : "Starting SkyTelescope 6";
        dev.telescope = st.objects.createSkyTelescope(bSky5 ? progid::kTele5 : progid::kTele6);
        step = "Starting Camera";
        if (st.settings.bCCDSoft()) {
            dev.ccdCamera = st.objects.createCcdCamera(progid::kCcdCamera);
        } else {
            // The application object only hands out its camera; it is let go right here.
            const auto application = st.objects.createMaximApplication(progid::kMaxim);
            dev.maximCamera = Require(application).CCDCamera();
        }
    } catch (const AutomationError& failure) {
        ReportFailure(st, step, failure, "Error while ");
        return false;
    }
    st.log.AddLog("Done");
    return true;
}

bool ConnectObjects(Station& st) {
    st.log.AddLog("Connecting to TheSky and Camera");
    DeviceObjects& dev = st.devices;
    std::string step;
    try {
        step = "Connect to TheSky";
        Require(dev.planetarium).Connect();
        step = "Connect to TheTelescope";
        Require(dev.telescope).Connect();
        if (st.settings.bCCDSoft()) {
            step = "Connect to CCDSoft";
            Require(dev.ccdCamera).Connect();
        } else {
            step = "Connect to MaxIm DL";
            Require(dev.maximCamera).SetLinkEnabled(true);
        }
    } catch (const AutomationError& failure) {
        ReportFailure(st, step, failure, "Error while trying to ");
        return false;
    }
    st.log.AddLog("Done!");
    return true;
}

void DisconnectObjects(Station& st) {
    DeviceObjects& dev = st.devices;
    Attempt([&] { Require(dev.planetarium).Disconnect(); });
    if (st.settings.bCCDSoft()) {
        Attempt([&] { Require(dev.ccdCamera).Disconnect(); });
    } else {
        Attempt([&] { Require(dev.maximCamera).SetLinkEnabled(false); });
    }
    // The TheSky telescope stays connected: TheSky keeps the mount.
    if (dev.ascom) {
        Attempt([&] { dev.ascom->SetConnected(false); });
        dev.ascom.reset();
    }
}

void DeleteObjects(Station& st) {
    DeviceObjects& dev = st.devices;
    dev.planetarium.reset();
    dev.telescope.reset();
    dev.ccdCamera.reset();
    dev.maximCamera.reset();
}

}  // namespace kov

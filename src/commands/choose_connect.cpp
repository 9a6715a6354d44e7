#include "commands/choose_connect.h"

#include <memory>
#include <string>

#include "model/station.h"
#include "mount/gemini_exchange.h"
#include "mount/model_result_text.h"
#include "station/attempt.h"

namespace kov {

namespace {

// A reading that fails counts as not connected.
bool IsConnected(const std::shared_ptr<AscomTelescope>& driver) {
    bool bConnected = false;
    Attempt([&] { bConnected = Require(driver).Connected(); });
    return bConnected;
}

}  // namespace

void ChooseTelescope(Station& st) {
    std::string& driverId = st.settings.driverId;
    std::shared_ptr<DriverChooser> chooser;
    Attempt([&] { chooser = st.objects.createChooser(progid::kChooser); });
    Attempt([&] { Require(chooser).SetDeviceType("Telescope"); });
    Attempt([&] { driverId = Require(chooser).Choose(driverId); });

    // Let go of a driver of an earlier choice first, so a choice whose driver cannot be created
    // never leaves the previous driver standing in for it.
    st.devices.ascom.reset();
    Attempt([&] { st.devices.ascom = st.objects.createAscomTelescope(driverId); });
    st.settings.ScopeName.set(driverId);
}

void ConnectTelescope(Station& st) {
    DeviceObjects& dev = st.devices;
    if (!dev.ascom) {
        if (st.settings.driverId.empty()) {
            ChooseTelescope(st);
        }
        if (!dev.ascom &&
            !Attempt([&] { dev.ascom = st.objects.createAscomTelescope(st.settings.driverId); })) {
            st.ui.messageBox("ASCOM Telescope not connected!", "KOV - ASCOM Telescope Error",
                             Buttons::Ok, Icon::Exclamation);
        }
    }

    if (!IsConnected(dev.ascom)) {
        Attempt([&] { Require(dev.ascom).SetConnected(true); });
    }
    if (!IsConnected(dev.ascom)) {
        st.ui.messageBox("Cannot connect to " + st.settings.driverName,
                         "KOV - Telescope Driver Error", Buttons::Ok, Icon::Exclamation);
        return;
    }

    Attempt([&] { st.settings.driverName = dev.ascom->Name(); });
    st.settings.ScopeName.set(st.settings.driverName);

    // The Gemini exchange makes a connection of its own.
    Attempt([&] { dev.ascom->SetConnected(false); });
    dev.ascom.reset();

    double a = 0.0;
    double e = 0.0;
    if (GetGeminiResult(st, a, e, 0.0, 0.0, 0)) {
        st.ui.setLabel(Label::GeminiResult, ModelResultText(a, e, SecondsRounding::Nearest));
    }
}

}  // namespace kov

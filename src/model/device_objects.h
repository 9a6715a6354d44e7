#pragma once

#include <memory>

#include "station/camera_interfaces.h"
#include "station/telescope_interfaces.h"

namespace kov {

struct Station;

// The outside objects the main window holds for one run (and the driver for one exchange).
struct DeviceObjects {
    std::shared_ptr<SkyPlanetarium> planetarium;
    std::shared_ptr<SkyTelescope> telescope;
    std::shared_ptr<CcdCamera> ccdCamera;      // camera with CCDSoft
    std::shared_ptr<MaximCamera> maximCamera;  // camera with MaxIm DL
    std::shared_ptr<AscomTelescope> ascom;     // the ASCOM driver, only during an exchange
};

// The objects of one run, as the settings choose them (TheSky 5 or 6, CCDSoft or MaxIm DL).
// Create and Connect stop at the first failure, report it to the operator and return false.
bool CreateObjects(Station& st);
bool ConnectObjects(Station& st);
// Both attempt every step and never fail; Disconnect also lets go of a leftover ASCOM driver.
void DisconnectObjects(Station& st);
void DeleteObjects(Station& st);

}  // namespace kov

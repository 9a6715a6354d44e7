#pragma once

#include <memory>

#include "station/camera_interfaces.h"
#include "station/telescope_interfaces.h"
#include "win/dispatch.h"

// The outside programs' objects behind the core's typed interfaces: each operation is the
// member of the same name called late-bound on the object.

namespace kov::win {

std::shared_ptr<AscomTelescope> MakeAscomTelescope(Dispatch object);
std::shared_ptr<SkyTelescope> MakeSkyTelescope(Dispatch object);
std::shared_ptr<SkyPlanetarium> MakeSkyPlanetarium(Dispatch object);
std::shared_ptr<DriverUtil> MakeDriverUtil(Dispatch object);
std::shared_ptr<DriverChooser> MakeDriverChooser(Dispatch object);

std::shared_ptr<CcdCamera> MakeCcdCamera(Dispatch object);
std::shared_ptr<CcdImage> MakeCcdImage(Dispatch object);
std::shared_ptr<MaximApplication> MakeMaximApplication(Dispatch object);
std::shared_ptr<MaximCamera> MakeMaximCamera(Dispatch object);
std::shared_ptr<MaximDocument> MakeMaximDocument(Dispatch object);

}  // namespace kov::win

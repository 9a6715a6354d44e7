#pragma once

#include <memory>

#include "sim/sim_world.h"
#include "station/camera_interfaces.h"
#include "station/telescope_interfaces.h"

// The simulated programs' objects, each a view on the shared world. Every operation records its
// name ("SkyTelescope.Connect", "CcdImage.InsertWCS", ...) in the world's call log and raises any
// failure scripted for that name before it does its work.

namespace kov::sim {

std::shared_ptr<AscomTelescope> MakeAscomDriver(std::shared_ptr<SimWorld> world);
std::shared_ptr<SkyTelescope> MakeSkyTelescope(std::shared_ptr<SimWorld> world);
std::shared_ptr<SkyPlanetarium> MakePlanetarium(std::shared_ptr<SimWorld> world);
std::shared_ptr<DriverChooser> MakeChooser(std::shared_ptr<SimWorld> world);
std::shared_ptr<CcdCamera> MakeCcdCamera(std::shared_ptr<SimWorld> world);
std::shared_ptr<CcdImage> MakeCcdImage(std::shared_ptr<SimWorld> world);
std::shared_ptr<MaximApplication> MakeMaximApplication(std::shared_ptr<SimWorld> world);

}  // namespace kov::sim

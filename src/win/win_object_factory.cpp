#include "win/win_object_factory.h"

#include "win/win_adapters.h"

namespace kov::win {

std::shared_ptr<AscomTelescope> WinObjectFactory::createAscomTelescope(const std::string& progId) {
    return MakeAscomTelescope(Dispatch::Create(progId));
}
std::shared_ptr<SkyTelescope> WinObjectFactory::createSkyTelescope(const std::string& progId) {
    return MakeSkyTelescope(Dispatch::Create(progId));
}
std::shared_ptr<SkyPlanetarium> WinObjectFactory::createPlanetarium(const std::string& progId) {
    return MakeSkyPlanetarium(Dispatch::Create(progId));
}
std::shared_ptr<DriverUtil> WinObjectFactory::createDriverUtil(const std::string& progId) {
    return MakeDriverUtil(Dispatch::Create(progId));
}
std::shared_ptr<DriverChooser> WinObjectFactory::createChooser(const std::string& progId) {
    return MakeDriverChooser(Dispatch::Create(progId));
}
std::shared_ptr<CcdCamera> WinObjectFactory::createCcdCamera(const std::string& progId) {
    return MakeCcdCamera(Dispatch::Create(progId));
}
std::shared_ptr<CcdImage> WinObjectFactory::createCcdImage(const std::string& progId) {
    return MakeCcdImage(Dispatch::Create(progId));
}
std::shared_ptr<MaximApplication> WinObjectFactory::createMaximApplication(
    const std::string& progId) {
    return MakeMaximApplication(Dispatch::Create(progId));
}

}  // namespace kov::win

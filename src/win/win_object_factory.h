#pragma once

#include "station/object_factory.h"

namespace kov::win {

// Creates the real programs' objects through COM from their programmatic identifiers; an
// identifier that is not registered raises 429, as on the simulated observatory. The calling
// thread must be in an apartment (ComApartment) for as long as the objects live.
class WinObjectFactory : public ObjectFactory {
  public:
    std::shared_ptr<AscomTelescope> createAscomTelescope(const std::string& progId) override;
    std::shared_ptr<SkyTelescope> createSkyTelescope(const std::string& progId) override;
    std::shared_ptr<SkyPlanetarium> createPlanetarium(const std::string& progId) override;
    std::shared_ptr<DriverUtil> createDriverUtil(const std::string& progId) override;
    std::shared_ptr<DriverChooser> createChooser(const std::string& progId) override;
    std::shared_ptr<CcdCamera> createCcdCamera(const std::string& progId) override;
    std::shared_ptr<CcdImage> createCcdImage(const std::string& progId) override;
    std::shared_ptr<MaximApplication> createMaximApplication(const std::string& progId) override;
};

}  // namespace kov::win

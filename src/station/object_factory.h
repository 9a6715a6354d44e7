#pragma once

#include <memory>
#include <string>

#include "station/camera_interfaces.h"
#include "station/telescope_interfaces.h"

namespace kov {

// Creates the outside programs' objects from their programmatic identifiers. An identifier that
// is not registered throws AutomationError 429 naming it (see CannotCreate).
class ObjectFactory {
  public:
    virtual ~ObjectFactory() = default;
    virtual std::shared_ptr<AscomTelescope> createAscomTelescope(const std::string& progId) = 0;
    virtual std::shared_ptr<SkyTelescope> createSkyTelescope(const std::string& progId) = 0;
    virtual std::shared_ptr<SkyPlanetarium> createPlanetarium(const std::string& progId) = 0;
    virtual std::shared_ptr<DriverUtil> createDriverUtil(const std::string& progId) = 0;
    virtual std::shared_ptr<DriverChooser> createChooser(const std::string& progId) = 0;
    virtual std::shared_ptr<CcdCamera> createCcdCamera(const std::string& progId) = 0;
    virtual std::shared_ptr<CcdImage> createCcdImage(const std::string& progId) = 0;
    virtual std::shared_ptr<MaximApplication> createMaximApplication(const std::string& progId) = 0;
};

// Programmatic identifiers of the outside programs.
namespace progid {
inline constexpr const char* kTheSky5 = "TheSky.RASCOMTheSky";
inline constexpr const char* kTheSky6 = "TheSky6.RASCOMTheSky";
inline constexpr const char* kTele5 = "TheSky.RASCOMTele";
inline constexpr const char* kTele6 = "TheSky6.RASCOMTele";
inline constexpr const char* kCcdCamera = "CCDSoft.Camera";
inline constexpr const char* kCcdImage = "CCDSoft.Image";
inline constexpr const char* kMaxim = "Maxim.Application";
inline constexpr const char* kGemini = "Gemini.Telescope";
inline constexpr const char* kUtil = "DriverHelper.Util";
inline constexpr const char* kChooser = "DriverHelper.Chooser";
}  // namespace progid

}  // namespace kov

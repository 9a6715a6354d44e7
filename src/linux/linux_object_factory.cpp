#include "linux/linux_object_factory.h"

#include <algorithm>
#include <cctype>

#include "linux/linux_planetarium.h"
#include "mount/driver_utils.h"
#include "station/automation_error.h"

namespace kov::gemini {

namespace {

bool Is(const std::string& progId, const char* name) {
    return std::equal(progId.begin(), progId.end(), name,
                      name + std::char_traits<char>::length(name), [](char a, char b) {
                          return std::toupper(static_cast<unsigned char>(a)) ==
                                 std::toupper(static_cast<unsigned char>(b));
                      });
}

// The chooser's choice on Linux is the Gemini link the settings name; there is one driver.
class LinuxChooser : public DriverChooser {
  public:
    void SetDeviceType(const std::string&) override {}
    std::string Choose(const std::string& currentId) override {
        return currentId.empty() ? progid::kGemini : currentId;
    }
};

}  // namespace

LinuxObjectFactory::LinuxObjectFactory(LinuxObservatoryConfig config)
    : config_(std::move(config)),
      link_(std::make_shared<SharedLink>(config_.gemini, config_.link)) {}

std::shared_ptr<AscomTelescope> LinuxObjectFactory::createAscomTelescope(
    const std::string& progId) {
    if (!Is(progId, progid::kGemini)) {
        throw CannotCreate(progId);
    }
    return std::make_shared<GeminiAscomDriver>(link_);
}

std::shared_ptr<SkyTelescope> LinuxObjectFactory::createSkyTelescope(const std::string& progId) {
    if (!Is(progId, progid::kTele5) && !Is(progId, progid::kTele6)) {
        throw CannotCreate(progId);
    }
    return std::make_shared<GeminiSkyTelescope>(link_);
}

std::shared_ptr<SkyPlanetarium> LinuxObjectFactory::createPlanetarium(const std::string& progId) {
    if (!Is(progId, progid::kTheSky5) && !Is(progId, progid::kTheSky6)) {
        throw CannotCreate(progId);
    }
    return std::make_shared<LinuxPlanetarium>(config_.solver, imageLink_);
}

std::shared_ptr<DriverUtil> LinuxObjectFactory::createDriverUtil(const std::string& progId) {
    if (!Is(progId, progid::kUtil)) {
        throw CannotCreate(progId);
    }
    return std::make_shared<LocalDriverUtil>();
}

std::shared_ptr<DriverChooser> LinuxObjectFactory::createChooser(const std::string& progId) {
    if (!Is(progId, progid::kChooser)) {
        throw CannotCreate(progId);
    }
    return std::make_shared<LinuxChooser>();
}

std::shared_ptr<CcdCamera> LinuxObjectFactory::createCcdCamera(const std::string& progId) {
    if (!Is(progId, progid::kCcdCamera)) {
        throw CannotCreate(progId);
    }
    return std::make_shared<IndiCcdCamera>(config_.camera, active_);
}

std::shared_ptr<CcdImage> LinuxObjectFactory::createCcdImage(const std::string& progId) {
    if (!Is(progId, progid::kCcdImage)) {
        throw CannotCreate(progId);
    }
    // The solver's hint is where the mount says it points, when the Gemini answers.
    const std::shared_ptr<SharedLink> link = link_;
    PointingHint hint = [link]() -> std::optional<std::pair<double, double>> {
        try {
            auto l = link->acquire();
            return std::make_pair(ParseDMS(l->command(":GR#")), ParseDMS(l->command(":GD#")));
        } catch (const std::exception&) {
            return std::nullopt;
        }
    };
    return std::make_shared<IndiCcdImage>(active_, config_.solver, imageLink_, std::move(hint));
}

std::shared_ptr<MaximApplication> LinuxObjectFactory::createMaximApplication(
    const std::string& progId) {
    throw CannotCreate(progId);
}

}  // namespace kov::gemini

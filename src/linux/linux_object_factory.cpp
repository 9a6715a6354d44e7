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

}  // namespace

// On Linux there is one driver, the Gemini link; choosing it means choosing where the Gemini and
// the camera are. The identifier stays the driver's, so the procedures create the same roles.
class LinuxChooser : public DriverChooser {
  public:
    explicit LinuxChooser(LinuxObjectFactory& factory, PartsChooser choose)
        : factory_(factory), choose_(std::move(choose)) {}
    void SetDeviceType(const std::string&) override {}
    std::string Choose(const std::string& currentId) override {
        const std::optional<ObservatoryParts> chosen =
            choose_ ? choose_(factory_.parts()) : std::nullopt;
        if (!chosen) {
            return currentId.empty() ? progid::kGemini : currentId;
        }
        factory_.setParts(*chosen);
        return progid::kGemini;
    }

  private:
    LinuxObjectFactory& factory_;
    PartsChooser choose_;
};

void SetIndiServer(IndiCameraConfig& camera, const std::string& server) {
    const auto colon = server.rfind(':');
    camera.host = server.substr(0, colon);
    if (colon == std::string::npos) {
        return;
    }
    try {
        camera.port = std::stoi(server.substr(colon + 1));
    } catch (const std::exception&) {
        camera.host = server;
    }
}

ObservatoryParts LinuxObjectFactory::parts() const {
    return {link_->address(), config_.camera.host + ":" + std::to_string(config_.camera.port),
            config_.camera.device};
}

void LinuxObjectFactory::setParts(const ObservatoryParts& parts) {
    config_.gemini = parts.gemini;
    link_->setAddress(parts.gemini);
    SetIndiServer(config_.camera, parts.indiServer);
    config_.camera.device = parts.camera;
}

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
    return std::make_shared<LinuxChooser>(*this, config_.choose);
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

#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "linux/gemini_link.h"
#include "linux/gemini_roles.h"
#include "linux/image_solver.h"
#include "linux/indi_camera.h"
#include "station/object_factory.h"

namespace kov::gemini {

// Where the parts are, as the operator names them (see linux/linux_programs.h for the forms).
struct ObservatoryParts {
    std::string gemini;
    std::string indiServer;  // HOST[:PORT]
    std::string camera;
};

// Asks the operator for the parts (the window's chooser dialog); nothing when they cancel.
using PartsChooser = std::function<std::optional<ObservatoryParts>(const ObservatoryParts& now)>;

// What the Linux observatory is made of: where the Gemini answers, and the plate solver.
struct LinuxObservatoryConfig {
    std::string gemini = "udp:192.168.0.111:11110";
    LinkOptions link;
    IndiCameraConfig camera;
    std::shared_ptr<ImageSolver> solver = std::make_shared<NoImageSolver>();
    // The chooser's dialog; without one (the headless runner), choosing keeps the parts as set.
    PartsChooser choose;
};

// "host:port" into the camera's server address; a missing or unreadable port keeps the default.
void SetIndiServer(IndiCameraConfig& camera, const std::string& server);

// The described programs' roles on Linux, under their programmatic identifiers, so the
// procedures run unchanged: the Gemini's ASCOM driver and TheSky's telescope on one shared
// Gemini link, TheSky's planetarium with its image link on the plate solver, CCDSoft's camera
// and image on an INDI camera, our own driver utilities and chooser. MaxIm DL has no Linux role.
class LinuxObjectFactory : public ObjectFactory {
  public:
    explicit LinuxObjectFactory(LinuxObservatoryConfig config);
    std::shared_ptr<AscomTelescope> createAscomTelescope(const std::string& progId) override;
    std::shared_ptr<SkyTelescope> createSkyTelescope(const std::string& progId) override;
    std::shared_ptr<SkyPlanetarium> createPlanetarium(const std::string& progId) override;
    std::shared_ptr<DriverUtil> createDriverUtil(const std::string& progId) override;
    std::shared_ptr<DriverChooser> createChooser(const std::string& progId) override;
    std::shared_ptr<CcdCamera> createCcdCamera(const std::string& progId) override;
    std::shared_ptr<CcdImage> createCcdImage(const std::string& progId) override;
    std::shared_ptr<MaximApplication> createMaximApplication(const std::string& progId) override;

    // The image the image link solves; the camera role sets it.
    const std::shared_ptr<ImageLinkState>& imageLink() const { return imageLink_; }

    // The parts as they are now; Choose changes them.
    ObservatoryParts parts() const;
    void setParts(const ObservatoryParts& parts);

  private:
    LinuxObservatoryConfig config_;
    std::shared_ptr<SharedLink> link_;
    std::shared_ptr<ActiveFrame> active_ = std::make_shared<ActiveFrame>();
    std::shared_ptr<ImageLinkState> imageLink_ = std::make_shared<ImageLinkState>();
};

}  // namespace kov::gemini

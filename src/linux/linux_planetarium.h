#pragma once

#include <memory>
#include <optional>
#include <string>

#include "linux/image_solver.h"
#include "station/telescope_interfaces.h"

namespace kov::gemini {

// TheSky's planetarium role on Linux: there is no planetarium window, only its image link, which
// hands the shown image to the plate solver with the mount's position as the hint, and the
// "Image Link Information" object that holds the last solution.
class LinuxPlanetarium : public SkyPlanetarium {
  public:
    LinuxPlanetarium(std::shared_ptr<ImageSolver> solver, std::shared_ptr<ImageLinkState> state)
        : solver_(std::move(solver)), state_(std::move(state)) {}
    void Connect() override { connected_ = true; }
    void Disconnect() override { connected_ = false; }
    // The Gemini link is shared by both mount roles, so there is no port to hand over.
    void DisconnectTelescope() override {}
    void ImageLink(double scaleArcsecPerPixel, double ra, double dec) override;
    void GetObjectRaDec(const std::string& objectName) override;
    double dObjectRa() override { return ra_; }
    double dObjectDec() override { return dec_; }

  private:
    std::shared_ptr<ImageSolver> solver_;
    std::shared_ptr<ImageLinkState> state_;
    bool connected_ = false;
    double ra_ = 0.0;
    double dec_ = 0.0;
};

}  // namespace kov::gemini

#include <cmath>

#include "sim/plate_solver.h"
#include "sim/sim_devices.h"
#include "sim/sim_errors.h"

namespace kov::sim {

namespace {

// The Gemini's ASCOM driver. Several driver objects may be connected at once; the mount's port
// stays the driver's until the last of them lets go.
class SimAscomDriver : public AscomTelescope {
  public:
    explicit SimAscomDriver(std::shared_ptr<SimWorld> world)
        : census_(std::move(world), "AscomTelescope") {}
    ~SimAscomDriver() override { release(); }

    bool Connected() override {
        w().guard("AscomTelescope.Connected");
        return connected_;
    }

    void SetConnected(bool value) override {
        w().guard("AscomTelescope.SetConnected");
        if (!value) {
            release();
            return;
        }
        // The serial port is TheSky's while its telescope is connected; the driver then
        // reports itself not connected, as the real one does.
        if (connected_ || w().holder == PortHolder::TheSky) {
            return;
        }
        connected_ = true;
        w().holder = PortHolder::Driver;
        ++w().driverConnections;
    }

    std::string Name() override {
        w().guard("AscomTelescope.Name");
        return w().scenario.driverName;
    }

    bool CommandBool(const std::string& command) override {
        return exchange("AscomTelescope.CommandBool", command) == "1";
    }
    std::string CommandString(const std::string& command) override {
        return exchange("AscomTelescope.CommandString", command);
    }
    std::string CommandNative(const std::string& command) override {
        return exchange("AscomTelescope.CommandNative", command);
    }

  private:
    SimWorld& w() const { return census_.world(); }

    void release() {
        if (!connected_) {
            return;
        }
        connected_ = false;
        if (--w().driverConnections == 0 && w().holder == PortHolder::Driver) {
            w().holder = PortHolder::None;
        }
    }

    std::string exchange(const std::string& operation, const std::string& command) {
        w().guard(operation);
        if (!connected_) {
            throw AutomationError(kErrAscomNotConnected, "Telescope not connected");
        }
        // The round trip over the serial line takes its time, whatever the controller answers.
        w().pass(w().scenario.commandSeconds);
        std::string reply;
        if (auto scripted = w().scriptedReply(command)) {
            reply = *scripted;
        } else {
            reply = w().controller.handle(command, w().axes(), w().lst());
        }
        w().gemini.push_back({command, reply});
        return reply;
    }

    CensusEntry census_;
    bool connected_ = false;
};

// TheSky's telescope: slews and position reads through the controller, over the port TheSky
// holds while connected.
class SimSkyTelescope : public SkyTelescope {
  public:
    explicit SimSkyTelescope(std::shared_ptr<SimWorld> world)
        : census_(std::move(world), "SkyTelescope") {}

    void Connect() override {
        w().guard("SkyTelescope.Connect");
        if (w().holder == PortHolder::Driver) {
            throw AutomationError(kErrPortInUse,
                                  "TheSky cannot open the telescope port: it is in use by "
                                  "another program");
        }
        w().holder = PortHolder::TheSky;
    }

    void Disconnect() override {
        w().guard("SkyTelescope.Disconnect");
        if (w().holder == PortHolder::TheSky) {
            w().holder = PortHolder::None;
        }
    }

    int IsConnected() override {
        w().guard("SkyTelescope.IsConnected");
        return w().holder == PortHolder::TheSky ? 1 : 0;
    }

    void SetAsynchronous(bool value) override {
        w().guard("SkyTelescope.SetAsynchronous");
        asynchronous_ = value;
    }

    void GetRaDec() override {
        w().guard("SkyTelescope.GetRaDec");
        requireConnected();
        const HaDec sky = w().reportedSky();
        ra_ = WrapHours(w().lst() - sky.ha);
        dec_ = sky.dec;
    }
    double dRA() override {
        w().guard("SkyTelescope.dRA");
        return w().reading("SkyTelescope.dRA", ra_);
    }
    double dDec() override {
        w().guard("SkyTelescope.dDec");
        return dec_;
    }

    void GetAzAlt() override {
        w().guard("SkyTelescope.GetAzAlt");
        requireConnected();
        const AltAz p = ToAltAz(w().reportedSky(), w().scenario.site.latitude);
        alt_ = p.alt;
        az_ = p.az;
    }
    double dAlt() override {
        w().guard("SkyTelescope.dAlt");
        return alt_;
    }
    double dAz() override {
        w().guard("SkyTelescope.dAz");
        return az_;
    }

    void SlewToRaDec(double ra, double dec, const std::string&) override {
        w().guard("SkyTelescope.SlewToRaDec");
        requireConnected();
        // Declinations may arrive folded into 0 to 360 degrees; past a pole is no position.
        double d = WrapSignedDegrees(dec);
        if (!std::isfinite(ra) || !std::isfinite(d) || std::fabs(d) > 90.0) {
            throw AutomationError(kErrBadCoordinates, "Slew failed: invalid coordinates");
        }
        slew(HaDec{WrapSignedHours(w().lst() - ra), d});
    }

    void SlewToAzAlt(double az, double alt, const std::string&) override {
        w().guard("SkyTelescope.SlewToAzAlt");
        requireConnected();
        if (!std::isfinite(az) || !std::isfinite(alt) || std::fabs(alt) > 90.0) {
            throw AutomationError(kErrBadCoordinates, "Slew failed: invalid coordinates");
        }
        slew(FromAltAz(AltAz{az, alt}, w().scenario.site.latitude));
    }

    int IsSlewComplete() override {
        w().guard("SkyTelescope.IsSlewComplete");
        requireConnected();
        return w().scenario.slewNeverEnds || w().mount.slewing(w().now()) ? 0 : 1;
    }

  private:
    SimWorld& w() const { return census_.world(); }

    void requireConnected() const {
        if (w().holder != PortHolder::TheSky) {
            throw AutomationError(kErrTelescopeNotConnected, "The telescope is not connected");
        }
    }

    void slew(const HaDec& sky) {
        const AltAz local = ToAltAz(sky, w().scenario.site.latitude);
        if (local.alt < w().horizonAt(local.az)) {
            throw AutomationError(kErrBelowHorizon, "Slew failed: the target is below the horizon");
        }
        w().slewController(sky);
        if (!asynchronous_) {
            // A blocking slew returns when the mount has arrived and settled.
            w().pass(w().mount.slewEnd() - w().now());
        }
    }

    CensusEntry census_;
    bool asynchronous_ = false;
    double ra_ = 0.0;
    double dec_ = 0.0;
    double alt_ = 0.0;
    double az_ = 0.0;
};

class SimPlanetarium : public SkyPlanetarium {
  public:
    explicit SimPlanetarium(std::shared_ptr<SimWorld> world)
        : census_(std::move(world), "SkyPlanetarium") {}

    void Connect() override {
        w().guard("SkyPlanetarium.Connect");
        w().planetariumConnected = true;
    }
    void Disconnect() override {
        w().guard("SkyPlanetarium.Disconnect");
        w().planetariumConnected = false;
    }
    void DisconnectTelescope() override {
        w().guard("SkyPlanetarium.DisconnectTelescope");
        if (w().holder == PortHolder::TheSky) {
            w().holder = PortHolder::None;
        }
    }

    void ImageLink(double scale, double ra, double dec) override {
        w().guard("SkyPlanetarium.ImageLink");
        if (!w().pasted) {
            throw AutomationError(kErrNoImage, "Image Link failed: there is no image to link");
        }
        // A failure leaves the last solution in place, as the real program does.
        w().imageLinkInformation = SolveImage(w(), *w().pasted, SolveHints{scale, ra, dec});
    }

    void GetObjectRaDec(const std::string& objectName) override {
        w().guard("SkyPlanetarium.GetObjectRaDec");
        if (UpperCase(objectName) != "IMAGE LINK INFORMATION" || !w().imageLinkInformation) {
            throw AutomationError(kErrObjectNotFound, "Object not found: " + objectName);
        }
        ra_ = w().imageLinkInformation->ra;
        dec_ = w().imageLinkInformation->dec;
    }
    double dObjectRa() override {
        w().guard("SkyPlanetarium.dObjectRa");
        return ra_;
    }
    double dObjectDec() override {
        w().guard("SkyPlanetarium.dObjectDec");
        return dec_;
    }

  private:
    SimWorld& w() const { return census_.world(); }

    CensusEntry census_;
    double ra_ = 0.0;
    double dec_ = 0.0;
};

class SimChooser : public DriverChooser {
  public:
    explicit SimChooser(std::shared_ptr<SimWorld> world) : census_(std::move(world), "Chooser") {}

    void SetDeviceType(const std::string&) override {
        census_.world().guard("Chooser.SetDeviceType");
    }
    std::string Choose(const std::string&) override {
        census_.world().guard("Chooser.Choose");
        return census_.world().scenario.chooserAnswer;
    }

  private:
    CensusEntry census_;
};

}  // namespace

std::shared_ptr<AscomTelescope> MakeAscomDriver(std::shared_ptr<SimWorld> world) {
    return std::make_shared<SimAscomDriver>(std::move(world));
}
std::shared_ptr<SkyTelescope> MakeSkyTelescope(std::shared_ptr<SimWorld> world) {
    return std::make_shared<SimSkyTelescope>(std::move(world));
}
std::shared_ptr<SkyPlanetarium> MakePlanetarium(std::shared_ptr<SimWorld> world) {
    return std::make_shared<SimPlanetarium>(std::move(world));
}
std::shared_ptr<DriverChooser> MakeChooser(std::shared_ptr<SimWorld> world) {
    return std::make_shared<SimChooser>(std::move(world));
}

}  // namespace kov::sim

#include "win/win_adapters.h"

namespace kov::win {

namespace {

class WinAscomTelescope : public AscomTelescope {
  public:
    explicit WinAscomTelescope(Dispatch d) : d_(std::move(d)) {}
    bool Connected() override { return d_.get("Connected").asBool(); }
    void SetConnected(bool value) override { d_.put("Connected", value); }
    std::string Name() override { return d_.get("Name").asString(); }
    bool CommandBool(const std::string& command) override {
        return d_.call("CommandBool", {command}).asBool();
    }
    std::string CommandString(const std::string& command) override {
        return d_.call("CommandString", {command}).asString();
    }
    std::string CommandNative(const std::string& command) override {
        return d_.call("CommandNative", {command}).asString();
    }

  private:
    Dispatch d_;
};

class WinSkyTelescope : public SkyTelescope {
  public:
    explicit WinSkyTelescope(Dispatch d) : d_(std::move(d)) {}
    void Connect() override { d_.call("Connect"); }
    void Disconnect() override { d_.call("Disconnect"); }
    int IsConnected() override { return d_.get("IsConnected").asInt(); }
    void SetAsynchronous(bool value) override { d_.put("Asynchronous", value); }
    void GetRaDec() override { d_.call("GetRaDec"); }
    double dRA() override { return d_.get("dRA").asDouble(); }
    double dDec() override { return d_.get("dDec").asDouble(); }
    void GetAzAlt() override { d_.call("GetAzAlt"); }
    double dAlt() override { return d_.get("dAlt").asDouble(); }
    double dAz() override { return d_.get("dAz").asDouble(); }
    // TheSky takes the coordinates by reference; what it writes back is of no use to us.
    void SlewToRaDec(double ra, double dec, const std::string& objectName) override {
        d_.call("SlewToRaDec", {Arg::Ref(ra), Arg::Ref(dec), objectName});
    }
    void SlewToAzAlt(double az, double alt, const std::string& objectName) override {
        d_.call("SlewToAzAlt", {Arg::Ref(az), Arg::Ref(alt), objectName});
    }
    int IsSlewComplete() override { return d_.get("IsSlewComplete").asInt(); }

  private:
    Dispatch d_;
};

class WinSkyPlanetarium : public SkyPlanetarium {
  public:
    explicit WinSkyPlanetarium(Dispatch d) : d_(std::move(d)) {}
    void Connect() override { d_.call("Connect"); }
    void Disconnect() override { d_.call("Disconnect"); }
    void DisconnectTelescope() override { d_.call("DisconnectTelescope"); }
    void ImageLink(double scaleArcsecPerPixel, double ra, double dec) override {
        d_.call("ImageLink", {Arg::Ref(scaleArcsecPerPixel), Arg::Ref(ra), Arg::Ref(dec)});
    }
    void GetObjectRaDec(const std::string& objectName) override {
        d_.call("GetObjectRaDec", {objectName});
    }
    double dObjectRa() override { return d_.get("dObjectRa").asDouble(); }
    double dObjectDec() override { return d_.get("dObjectDec").asDouble(); }

  private:
    Dispatch d_;
};

class WinDriverUtil : public DriverUtil {
  public:
    explicit WinDriverUtil(Dispatch d) : d_(std::move(d)) {}
    double DMSToDegrees(const std::string& text) override {
        return d_.call("DMSToDegrees", {text}).asDouble();
    }
    std::string DegreesToDMS(double degrees, const std::string& degSep, const std::string& minSep,
                             const std::string& secSep) override {
        return d_.call("DegreesToDMS", {degrees, degSep, minSep, secSep}).asString();
    }
    std::string HoursToHMS(double hours, const std::string& hrSep, const std::string& minSep,
                           const std::string& secSep) override {
        return d_.call("HoursToHMS", {hours, hrSep, minSep, secSep}).asString();
    }

  private:
    Dispatch d_;
};

class WinDriverChooser : public DriverChooser {
  public:
    explicit WinDriverChooser(Dispatch d) : d_(std::move(d)) {}
    void SetDeviceType(const std::string& type) override { d_.put("DeviceType", type); }
    std::string Choose(const std::string& currentId) override {
        std::string id = currentId;
        return d_.call("Choose", {Arg::Ref(id)}).asString();
    }

  private:
    Dispatch d_;
};

}  // namespace

std::shared_ptr<AscomTelescope> MakeAscomTelescope(Dispatch object) {
    return std::make_shared<WinAscomTelescope>(std::move(object));
}
std::shared_ptr<SkyTelescope> MakeSkyTelescope(Dispatch object) {
    return std::make_shared<WinSkyTelescope>(std::move(object));
}
std::shared_ptr<SkyPlanetarium> MakeSkyPlanetarium(Dispatch object) {
    return std::make_shared<WinSkyPlanetarium>(std::move(object));
}
std::shared_ptr<DriverUtil> MakeDriverUtil(Dispatch object) {
    return std::make_shared<WinDriverUtil>(std::move(object));
}
std::shared_ptr<DriverChooser> MakeDriverChooser(Dispatch object) {
    return std::make_shared<WinDriverChooser>(std::move(object));
}

}  // namespace kov::win

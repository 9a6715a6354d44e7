#include "support/fake_devices.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <utility>

#include "station/texts.h"

namespace kov::test {

void CallLog::record(const std::string& call) {
    calls.push_back(call);
    if (auto it = failures.find(call); it != failures.end()) {
        throw it->second;
    }
}

bool CallLog::saw(const std::string& call) const {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

std::vector<std::string> CallLog::starting(const std::string& prefix) const {
    std::vector<std::string> found;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(found),
                 [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
    return found;
}

namespace {

std::string Bool(bool value) {
    return value ? "true" : "false";
}
std::string Num(double value) {
    return GeneralNumber(value);
}

// Whole seconds, each field two digits: enough of a sexagesimal text for the tests.
std::string Sexagesimal(double value, const std::string& first, const std::string& second,
                        const std::string& third) {
    const long long total = std::llround(std::fabs(value) * 3600.0);
    char text[64];
    std::snprintf(text, sizeof text, "%s%02lld%s%02lld%s%02lld%s", value < 0 ? "-" : "",
                  total / 3600, first.c_str(), total / 60 % 60, second.c_str(), total % 60,
                  third.c_str());
    return text;
}

// Names itself in every call it records and records its own release.
class FakeObject {
  public:
    FakeObject(std::shared_ptr<CallLog> log, std::string name)
        : log_(std::move(log)), name_(std::move(name)) {}
    FakeObject(const FakeObject&) = delete;
    FakeObject& operator=(const FakeObject&) = delete;
    ~FakeObject() { log_->calls.push_back("release " + name_); }

  protected:
    void call(const std::string& operation) { log_->record(name_ + "." + operation); }
    template <class T>
    T answer(const std::string& operation, T value) {
        call(operation);
        return value;
    }
    std::shared_ptr<CallLog> log_;
    std::string name_;
};

class FakeAscom : public AscomTelescope, FakeObject {
  public:
    FakeAscom(std::shared_ptr<CallLog> log, std::string name, std::shared_ptr<DriverScript> script)
        : FakeObject(std::move(log), std::move(name)), script_(std::move(script)) {}
    bool Connected() override { return answer("Connected", connected_); }
    void SetConnected(bool value) override {
        call("Connected = " + Bool(value));
        connected_ = value && !script_->refusesConnection;
    }
    std::string Name() override { return answer("Name", script_->name); }
    bool CommandBool(const std::string& command) override {
        return answer("CommandBool " + command, true);
    }
    std::string CommandString(const std::string& command) override {
        return answer("CommandString " + command, "1");
    }
    std::string CommandNative(const std::string& command) override {
        call("CommandNative " + command);
        auto it = script_->nativeReplies.find(command);
        return it == script_->nativeReplies.end() ? std::string() : it->second;
    }

  private:
    std::shared_ptr<DriverScript> script_;
    bool connected_ = false;
};

class FakeSkyTelescope : public SkyTelescope, FakeObject {
  public:
    using FakeObject::FakeObject;
    void Connect() override { call("Connect"); }
    void Disconnect() override { call("Disconnect"); }
    int IsConnected() override { return answer("IsConnected", 1); }
    void SetAsynchronous(bool value) override { call("Asynchronous = " + Bool(value)); }
    void GetRaDec() override { call("GetRaDec"); }
    double dRA() override { return 0.0; }
    double dDec() override { return 0.0; }
    void GetAzAlt() override { call("GetAzAlt"); }
    double dAlt() override { return 0.0; }
    double dAz() override { return 0.0; }
    void SlewToRaDec(double ra, double dec, const std::string& name) override {
        call("SlewToRaDec " + Num(ra) + " " + Num(dec) + " " + name);
    }
    void SlewToAzAlt(double az, double alt, const std::string& name) override {
        call("SlewToAzAlt " + Num(az) + " " + Num(alt) + " " + name);
    }
    int IsSlewComplete() override { return answer("IsSlewComplete", 1); }
};

class FakePlanetarium : public SkyPlanetarium, FakeObject {
  public:
    using FakeObject::FakeObject;
    void Connect() override { call("Connect"); }
    void Disconnect() override { call("Disconnect"); }
    void DisconnectTelescope() override { call("DisconnectTelescope"); }
    void ImageLink(double scale, double ra, double dec) override {
        call("ImageLink " + Num(scale) + " " + Num(ra) + " " + Num(dec));
    }
    void GetObjectRaDec(const std::string& name) override { call("GetObjectRaDec " + name); }
    double dObjectRa() override { return 0.0; }
    double dObjectDec() override { return 0.0; }
};

class FakeUtil : public DriverUtil, FakeObject {
  public:
    using FakeObject::FakeObject;
    double DMSToDegrees(const std::string& text) override {
        return answer("DMSToDegrees " + text, LeadingNumber(text));
    }
    std::string DegreesToDMS(double degrees, const std::string& d, const std::string& m,
                             const std::string& s) override {
        return answer("DegreesToDMS " + Num(degrees), Sexagesimal(degrees, d, m, s));
    }
    std::string HoursToHMS(double hours, const std::string& h, const std::string& m,
                           const std::string& s) override {
        return answer("HoursToHMS " + Num(hours), Sexagesimal(hours, h, m, s));
    }
};

class FakeChooser : public DriverChooser, FakeObject {
  public:
    FakeChooser(std::shared_ptr<CallLog> log, std::string name, std::string pick)
        : FakeObject(std::move(log), std::move(name)), pick_(std::move(pick)) {}
    void SetDeviceType(const std::string& type) override { call("DeviceType = " + type); }
    std::string Choose(const std::string& currentId) override {
        return answer("Choose " + currentId, pick_);
    }

  private:
    std::string pick_;
};

class FakeCcdCamera : public CcdCamera, FakeObject {
  public:
    using FakeObject::FakeObject;
    void Connect() override { call("Connect"); }
    void Disconnect() override { call("Disconnect"); }
    void SetExposureTime(double seconds) override { call("ExposureTime = " + Num(seconds)); }
    void SetBinX(double factor) override { call("BinX = " + Num(factor)); }
    void SetBinY(double factor) override { call("BinY = " + Num(factor)); }
    void SetImageReduction(int value) override { call("ImageReduction = " + Num(value)); }
    void SetSeries(int value) override { call("Series = " + Num(value)); }
    void SetDelay(int value) override { call("Delay = " + Num(value)); }
    bool AutoSaveOn() override { return answer("AutoSaveOn", autoSave_); }
    void SetAutoSaveOn(bool value) override {
        call("AutoSaveOn = " + Bool(value));
        autoSave_ = value;
    }
    void SetAsynchronous(bool value) override { call("Asynchronous = " + Bool(value)); }
    void TakeImage() override { call("TakeImage"); }
    int State() override { return answer("State", 0); }
    std::string Status() override { return answer("Status", "Ready"); }
    void Abort() override { call("Abort"); }
    void SetAutoSaveFileFormat(int value) override { call("AutoSaveFileFormat = " + Num(value)); }

  private:
    bool autoSave_ = false;
};

class FakeCcdImage : public CcdImage, FakeObject {
  public:
    using FakeObject::FakeObject;
    void AttachToActiveImager() override { call("AttachToActiveImager"); }
    double ScaleInArcsecondsPerPixel() override { return scale_; }
    void SetScaleInArcsecondsPerPixel(double value) override {
        call("ScaleInArcsecondsPerPixel = " + Num(value));
        scale_ = value;
    }
    std::string Path() override { return path_; }
    void SetPath(const std::string& path) override {
        call("Path = " + path);
        path_ = path;
    }
    void Save() override { call("Save"); }
    void InsertWCS(int value) override { call("InsertWCS " + Num(value)); }
    long WCSArrayUpperBound(int index) override {
        return answer("WCSArrayUpperBound " + Num(index), 0);
    }
    double NorthAngle() override { return 0.0; }

  private:
    double scale_ = 1.0;
    std::string path_;
};

class FakeMaximCamera : public MaximCamera, FakeObject {
  public:
    using FakeObject::FakeObject;
    void SetLinkEnabled(bool value) override { call("LinkEnabled = " + Bool(value)); }
    double BinX() override { return 1.0; }
    void SetBinX(double factor) override { call("BinX = " + Num(factor)); }
    void SetBinY(double factor) override { call("BinY = " + Num(factor)); }
    double Temperature() override { return -10.0; }
    void Expose(double seconds, int light) override {
        call("Expose " + Num(seconds) + " " + Num(light));
    }
    bool ImageReady() override { return true; }
    void AbortExposure() override { call("AbortExposure"); }
    std::shared_ptr<MaximDocument> Document() override { return nullptr; }
};

class FakeMaximApplication : public MaximApplication, FakeObject {
  public:
    using FakeObject::FakeObject;
    std::shared_ptr<MaximCamera> CCDCamera() override {
        call("CCDCamera");
        return std::make_shared<FakeMaximCamera>(log_, "Maxim.CCDCamera");
    }
    void CalClear() override { call("CalClear"); }
    void CalAddDark(const std::string& path) override { call("CalAddDark " + path); }
    void CalSet() override { call("CalSet"); }
};

}  // namespace

void FakeFactory::created(const std::string& progId) {
    log->record("create " + progId);
    if (progId.empty()) {
        throw CannotCreate(progId);
    }
}

std::shared_ptr<AscomTelescope> FakeFactory::createAscomTelescope(const std::string& progId) {
    created(progId);
    return std::make_shared<FakeAscom>(log, progId, driver);
}
std::shared_ptr<SkyTelescope> FakeFactory::createSkyTelescope(const std::string& progId) {
    created(progId);
    return std::make_shared<FakeSkyTelescope>(log, progId);
}
std::shared_ptr<SkyPlanetarium> FakeFactory::createPlanetarium(const std::string& progId) {
    created(progId);
    return std::make_shared<FakePlanetarium>(log, progId);
}
std::shared_ptr<DriverUtil> FakeFactory::createDriverUtil(const std::string& progId) {
    created(progId);
    return std::make_shared<FakeUtil>(log, progId);
}
std::shared_ptr<DriverChooser> FakeFactory::createChooser(const std::string& progId) {
    created(progId);
    return std::make_shared<FakeChooser>(log, progId, chooserPick);
}
std::shared_ptr<CcdCamera> FakeFactory::createCcdCamera(const std::string& progId) {
    created(progId);
    return std::make_shared<FakeCcdCamera>(log, progId);
}
std::shared_ptr<CcdImage> FakeFactory::createCcdImage(const std::string& progId) {
    created(progId);
    return std::make_shared<FakeCcdImage>(log, progId);
}
std::shared_ptr<MaximApplication> FakeFactory::createMaximApplication(const std::string& progId) {
    created(progId);
    auto application = std::make_shared<FakeMaximApplication>(log, progId);
    lastMaximApplication = application;
    return application;
}

}  // namespace kov::test

#include "win/win_adapters.h"

namespace kov::win {

namespace {

class WinCcdCamera : public CcdCamera {
  public:
    explicit WinCcdCamera(Dispatch d) : d_(std::move(d)) {}
    void Connect() override { d_.call("Connect"); }
    void Disconnect() override { d_.call("Disconnect"); }
    void SetExposureTime(double seconds) override { d_.put("ExposureTime", seconds); }
    void SetBinX(double factor) override { d_.put("BinX", factor); }
    void SetBinY(double factor) override { d_.put("BinY", factor); }
    void SetImageReduction(int value) override { d_.put("ImageReduction", value); }
    void SetSeries(int value) override { d_.put("Series", value); }
    void SetDelay(int value) override { d_.put("Delay", value); }
    bool AutoSaveOn() override { return d_.get("AutoSaveOn").asBool(); }
    void SetAutoSaveOn(bool value) override { d_.put("AutoSaveOn", value); }
    void SetAsynchronous(bool value) override { d_.put("Asynchronous", value); }
    void TakeImage() override { d_.call("TakeImage"); }
    int State() override { return d_.get("State").asInt(); }
    std::string Status() override { return d_.get("Status").asString(); }
    void Abort() override { d_.call("Abort"); }
    void SetAutoSaveFileFormat(int value) override { d_.put("AutoSaveFileFormat", value); }

  private:
    Dispatch d_;
};

class WinCcdImage : public CcdImage {
  public:
    explicit WinCcdImage(Dispatch d) : d_(std::move(d)) {}
    void AttachToActiveImager() override { d_.call("AttachToActiveImager"); }
    double ScaleInArcsecondsPerPixel() override {
        return d_.get("ScaleInArcsecondsPerPixel").asDouble();
    }
    void SetScaleInArcsecondsPerPixel(double value) override {
        d_.put("ScaleInArcsecondsPerPixel", value);
    }
    std::string Path() override { return d_.get("Path").asString(); }
    void SetPath(const std::string& path) override { d_.put("Path", path); }
    void Save() override { d_.call("Save"); }
    void InsertWCS(int value) override { d_.call("InsertWCS", {value}); }
    long WCSArrayUpperBound(int index) override { return d_.get("WCSArray", {index}).upperBound(); }
    double NorthAngle() override { return d_.get("NorthAngle").asDouble(); }

  private:
    Dispatch d_;
};

class WinMaximDocument : public MaximDocument {
  public:
    explicit WinMaximDocument(Dispatch d) : d_(std::move(d)) {}
    void SaveFile(const std::string& path, int format, bool stretch, int sizeFormat,
                  bool compress) override {
        d_.call("SaveFile", {path, format, stretch, sizeFormat, compress});
    }
    void Calibrate() override { d_.call("Calibrate"); }
    void Copy() override { d_.call("Copy"); }

  private:
    Dispatch d_;
};

class WinMaximCamera : public MaximCamera {
  public:
    explicit WinMaximCamera(Dispatch d) : d_(std::move(d)) {}
    void SetLinkEnabled(bool value) override { d_.put("LinkEnabled", value); }
    double BinX() override { return d_.get("BinX").asDouble(); }
    void SetBinX(double factor) override { d_.put("BinX", factor); }
    void SetBinY(double factor) override { d_.put("BinY", factor); }
    double Temperature() override { return d_.get("Temperature").asDouble(); }
    void Expose(double seconds, int light) override { d_.call("Expose", {seconds, light}); }
    bool ImageReady() override { return d_.get("ImageReady").asBool(); }
    void AbortExposure() override { d_.call("AbortExposure"); }
    std::shared_ptr<MaximDocument> Document() override {
        auto document = d_.get("Document").asObject();
        return document ? MakeMaximDocument(std::move(*document)) : nullptr;
    }

  private:
    Dispatch d_;
};

class WinMaximApplication : public MaximApplication {
  public:
    explicit WinMaximApplication(Dispatch d) : d_(std::move(d)) {}
    std::shared_ptr<MaximCamera> CCDCamera() override {
        auto camera = d_.get("CCDCamera").asObject();
        return camera ? MakeMaximCamera(std::move(*camera)) : nullptr;
    }
    void CalClear() override { d_.call("CalClear"); }
    void CalAddDark(const std::string& path) override { d_.call("CalAddDark", {path}); }
    void CalSet() override { d_.call("CalSet"); }

  private:
    Dispatch d_;
};

}  // namespace

std::shared_ptr<CcdCamera> MakeCcdCamera(Dispatch object) {
    return std::make_shared<WinCcdCamera>(std::move(object));
}
std::shared_ptr<CcdImage> MakeCcdImage(Dispatch object) {
    return std::make_shared<WinCcdImage>(std::move(object));
}
std::shared_ptr<MaximApplication> MakeMaximApplication(Dispatch object) {
    return std::make_shared<WinMaximApplication>(std::move(object));
}
std::shared_ptr<MaximCamera> MakeMaximCamera(Dispatch object) {
    return std::make_shared<WinMaximCamera>(std::move(object));
}
std::shared_ptr<MaximDocument> MakeMaximDocument(Dispatch object) {
    return std::make_shared<WinMaximDocument>(std::move(object));
}

}  // namespace kov::win

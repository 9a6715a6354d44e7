#include <cmath>
#include <filesystem>

#include "sim/fits_file.h"
#include "sim/plate_solver.h"
#include "sim/real_sky_solver.h"
#include "sim/sim_devices.h"
#include "sim/sim_errors.h"
#include "station/safe_file.h"

namespace kov::sim {

namespace {

// Reading out a binned frame moves fewer pixels.
double DownloadSeconds(const Scenario& s, double binX, double binY) {
    return s.downloadSeconds / std::max(1.0, binX * binY);
}

void WriteImage(SimWorld& world, const std::string& path, const ImageRecord& image,
                const std::optional<Solution>& solution) {
    if (path.empty()) {
        throw AutomationError(kErrFileNotFound, "File name is empty");
    }
    // With the real sky, the frame itself; otherwise a small stand-in.
    std::optional<std::string> frame = RealSkyFrameBytes(world, image, solution);
    WriteFileReplacing(
        world.resolve(path).string(),
        frame ? std::move(*frame) : FitsFileBytes(image, solution, world.scenario.pixelScale));
}

class SimCcdCamera : public CcdCamera {
  public:
    explicit SimCcdCamera(std::shared_ptr<SimWorld> world)
        : census_(std::move(world), "CcdCamera") {}

    void Connect() override {
        w().guard("CcdCamera.Connect");
        ccd().connected = true;
    }
    void Disconnect() override {
        w().guard("CcdCamera.Disconnect");
        ccd().connected = false;
    }
    void SetExposureTime(double seconds) override {
        w().guard("CcdCamera.SetExposureTime");
        ccd().exposure = std::max(0.0, seconds);
    }
    void SetBinX(double factor) override {
        w().guard("CcdCamera.SetBinX");
        ccd().binX = std::max(1.0, factor);
    }
    void SetBinY(double factor) override {
        w().guard("CcdCamera.SetBinY");
        ccd().binY = std::max(1.0, factor);
    }
    void SetImageReduction(int value) override {
        w().guard("CcdCamera.SetImageReduction");
        ccd().reduction = value;
    }
    void SetSeries(int value) override {
        w().guard("CcdCamera.SetSeries");
        ccd().series = value;
    }
    void SetDelay(int value) override {
        w().guard("CcdCamera.SetDelay");
        ccd().delay = value;
    }
    bool AutoSaveOn() override {
        w().guard("CcdCamera.AutoSaveOn");
        return ccd().autoSave;
    }
    void SetAutoSaveOn(bool value) override {
        w().guard("CcdCamera.SetAutoSaveOn");
        ccd().autoSave = value;
    }
    void SetAsynchronous(bool value) override {
        w().guard("CcdCamera.SetAsynchronous");
        ccd().asynchronous = value;
    }

    void TakeImage() override {
        w().guard("CcdCamera.TakeImage");
        w().updateCameras();
        CcdSoftState& c = ccd();
        if (!c.connected) {
            throw AutomationError(kErrCameraNotConnected, "CCDSoft: the camera is not connected");
        }
        if (c.busy) {
            throw AutomationError(kErrCameraBusy, "CCDSoft: the camera is busy");
        }
        c.pending = w().snapshot(true, c.exposure, c.binX, c.binY);
        double duration = c.exposure + DownloadSeconds(w().scenario, c.binX, c.binY);
        if (c.reduction == 1) {
            duration *= 2.0;  // a matching dark frame is taken and subtracted
            c.pending->calibrated = true;
        }
        c.busy = true;
        c.doneAt = w().now() + duration;
        if (!c.asynchronous) {
            // A blocking exposure returns with the frame downloaded.
            w().pass(duration);
        }
        w().updateCameras();
    }

    int State() override {
        w().guard("CcdCamera.State");
        w().updateCameras();
        return ccd().busy || w().scenario.exposureNeverEnds ? 2 : 0;
    }

    std::string Status() override {
        w().guard("CcdCamera.Status");
        w().updateCameras();
        const CcdSoftState& c = ccd();
        if (!c.busy) {
            return "Ready";
        }
        const double left = c.doneAt - w().now();
        const double downloading = DownloadSeconds(w().scenario, c.binX, c.binY);
        if (left <= downloading) {
            return "Downloading";
        }
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "Exposing (%.1f s left)", left - downloading);
        return buffer;
    }

    void Abort() override {
        w().guard("CcdCamera.Abort");
        ccd().busy = false;
        ccd().pending.reset();
    }

    void SetAutoSaveFileFormat(int value) override {
        w().guard("CcdCamera.SetAutoSaveFileFormat");
        ccd().saveFormat = value;
    }

  private:
    SimWorld& w() const { return census_.world(); }
    CcdSoftState& ccd() const { return census_.world().ccd; }

    CensusEntry census_;
};

class SimCcdImage : public CcdImage {
  public:
    explicit SimCcdImage(std::shared_ptr<SimWorld> world) : census_(std::move(world), "CcdImage") {}

    void AttachToActiveImager() override {
        w().guard("CcdImage.AttachToActiveImager");
        w().updateCameras();
        if (!w().ccd.last) {
            throw AutomationError(kErrNoImage, "CCDSoft: there is no active image");
        }
        image_ = w().ccd.last;
        solution_.reset();
    }

    double ScaleInArcsecondsPerPixel() override {
        w().guard("CcdImage.ScaleInArcsecondsPerPixel");
        return w().reading("CcdImage.ScaleInArcsecondsPerPixel", scale_);
    }
    void SetScaleInArcsecondsPerPixel(double value) override {
        w().guard("CcdImage.SetScaleInArcsecondsPerPixel");
        scale_ = value;
    }
    std::string Path() override {
        w().guard("CcdImage.Path");
        return path_;
    }
    void SetPath(const std::string& path) override {
        w().guard("CcdImage.SetPath");
        path_ = path;
    }

    void Save() override {
        w().guard("CcdImage.Save");
        WriteImage(w(), path_, attached(), solution_);
    }

    void InsertWCS(int) override {
        w().guard("CcdImage.InsertWCS");
        const ImageRecord& image = attached();
        solution_ = SolveImage(w(), image, SolveHints{scale_, image.hintRa, image.hintDec});
        scale_ = solution_->scale;
        // CCDSoft solves through TheSky's image link, which keeps the result.
        w().imageLinkInformation = solution_;
    }

    long WCSArrayUpperBound(int) override {
        w().guard("CcdImage.WCSArray");
        return std::lround(w().reading("CcdImage.WCSArray", solution_ ? solution_->stars : -1));
    }

    double NorthAngle() override {
        w().guard("CcdImage.NorthAngle");
        if (!solution_) {
            throw AutomationError(kErrNoImage, "CCDSoft: the image has no plate solution");
        }
        return w().reading("CcdImage.NorthAngle", solution_->northAngle);
    }

  private:
    SimWorld& w() const { return census_.world(); }

    const ImageRecord& attached() const {
        if (!image_) {
            throw AutomationError(kErrNoImage, "CCDSoft: no image is attached");
        }
        return *image_;
    }

    CensusEntry census_;
    std::shared_ptr<const ImageRecord> image_;
    std::optional<Solution> solution_;
    double scale_ = 0.0;
    std::string path_;
};

class SimMaximDocument : public MaximDocument {
  public:
    SimMaximDocument(std::shared_ptr<SimWorld> world, std::shared_ptr<ImageRecord> image)
        : census_(std::move(world), "MaximDocument"), image_(std::move(image)) {}

    void SaveFile(const std::string& path, int, bool, int, bool) override {
        w().guard("MaximDocument.SaveFile");
        WriteImage(w(), path, *image_, std::nullopt);
        w().maxim.saved[w().resolve(path).string()] = std::make_shared<const ImageRecord>(*image_);
    }

    // Only a dark frame of the same exposure and bin, taken within a degree of the light
    // image's sensor temperature, calibrates it.
    void Calibrate() override {
        w().guard("MaximDocument.Calibrate");
        if (!w().maxim.calibrationSet) {
            return;
        }
        for (const std::string& dark : w().maxim.darks) {
            const auto it = w().maxim.saved.find(dark);
            if (it == w().maxim.saved.end()) {
                continue;
            }
            const ImageRecord& d = *it->second;
            if (!d.light && std::fabs(d.exposure - image_->exposure) < 0.001 &&
                d.binX == image_->binX && d.binY == image_->binY &&
                std::fabs(d.temperature - image_->temperature) <= 1.0) {
                image_->calibrated = true;
            }
        }
    }

    void Copy() override {
        w().guard("MaximDocument.Copy");
        w().clipboard = std::make_shared<const ImageRecord>(*image_);
    }

  private:
    SimWorld& w() const { return census_.world(); }

    CensusEntry census_;
    std::shared_ptr<ImageRecord> image_;
};

class SimMaximCamera : public MaximCamera {
  public:
    explicit SimMaximCamera(std::shared_ptr<SimWorld> world)
        : census_(std::move(world), "MaximCamera") {}

    void SetLinkEnabled(bool value) override {
        w().guard("MaximCamera.SetLinkEnabled");
        maxim().linked = value;
    }
    double BinX() override {
        w().guard("MaximCamera.BinX");
        return maxim().binX;
    }
    void SetBinX(double factor) override {
        w().guard("MaximCamera.SetBinX");
        requireLinked();
        maxim().binX = std::max(1.0, std::round(factor));
    }
    void SetBinY(double factor) override {
        w().guard("MaximCamera.SetBinY");
        requireLinked();
        maxim().binY = std::max(1.0, std::round(factor));
    }
    double Temperature() override {
        w().guard("MaximCamera.Temperature");
        requireLinked();
        return w().reading("MaximCamera.Temperature", w().sensorTemperature());
    }

    void Expose(double seconds, int light) override {
        w().guard("MaximCamera.Expose");
        requireLinked();
        w().updateCameras();
        MaximState& m = maxim();
        if (m.busy) {
            throw AutomationError(kErrCameraBusy, "MaxIm DL: the camera is busy");
        }
        const double exposure = std::max(0.0, seconds);
        m.pending = w().snapshot(light != 0, exposure, m.binX, m.binY);
        m.busy = true;
        m.ready = false;
        m.doneAt = w().now() + exposure + DownloadSeconds(w().scenario, m.binX, m.binY);
    }

    bool ImageReady() override {
        w().guard("MaximCamera.ImageReady");
        w().updateCameras();
        return maxim().ready && !w().scenario.exposureNeverEnds;
    }

    void AbortExposure() override {
        w().guard("MaximCamera.AbortExposure");
        maxim().busy = false;
        maxim().pending.reset();
    }

    std::shared_ptr<MaximDocument> Document() override {
        w().guard("MaximCamera.Document");
        w().updateCameras();
        if (!maxim().last || w().maximDocumentMissing) {
            return nullptr;
        }
        return std::make_shared<SimMaximDocument>(census_.shared(), maxim().last);
    }

  private:
    SimWorld& w() const { return census_.world(); }
    MaximState& maxim() const { return census_.world().maxim; }

    void requireLinked() const {
        if (!maxim().linked) {
            throw AutomationError(kErrCameraNotConnected, "MaxIm DL: the camera is not connected");
        }
    }

    CensusEntry census_;
};

class SimMaximApplication : public MaximApplication {
  public:
    explicit SimMaximApplication(std::shared_ptr<SimWorld> world)
        : census_(std::move(world), "MaximApplication") {}

    std::shared_ptr<MaximCamera> CCDCamera() override {
        w().guard("MaximApplication.CCDCamera");
        return std::make_shared<SimMaximCamera>(census_.shared());
    }
    void CalClear() override {
        w().guard("MaximApplication.CalClear");
        w().maxim.darks.clear();
        w().maxim.calibrationSet = false;
    }
    void CalAddDark(const std::string& path) override {
        w().guard("MaximApplication.CalAddDark");
        std::error_code ec;
        if (!std::filesystem::is_regular_file(w().resolve(path), ec)) {
            throw AutomationError(kErrFileNotFound, "MaxIm DL: cannot open " + path);
        }
        w().maxim.darks.push_back(w().resolve(path).string());
    }
    void CalSet() override {
        w().guard("MaximApplication.CalSet");
        w().maxim.calibrationSet = true;
    }

  private:
    SimWorld& w() const { return census_.world(); }

    CensusEntry census_;
};

}  // namespace

std::shared_ptr<CcdCamera> MakeCcdCamera(std::shared_ptr<SimWorld> world) {
    return std::make_shared<SimCcdCamera>(std::move(world));
}
std::shared_ptr<CcdImage> MakeCcdImage(std::shared_ptr<SimWorld> world) {
    return std::make_shared<SimCcdImage>(std::move(world));
}
std::shared_ptr<MaximApplication> MakeMaximApplication(std::shared_ptr<SimWorld> world) {
    return std::make_shared<SimMaximApplication>(std::move(world));
}

}  // namespace kov::sim

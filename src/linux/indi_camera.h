#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "station/camera_interfaces.h"
#include "linux/image_solver.h"

// CCDSoft's camera and image roles on Linux, filled by a camera an INDI server offers (libindi's
// client library): binning, exposure, the frame as a FITS file saved where the procedure asks,
// abort, the sensor temperature, and a dark frame taken off each light frame for Auto Dark.

namespace kov::gemini {

inline constexpr std::int32_t kErrCameraLink = static_cast<std::int32_t>(0x80040502u);

struct IndiCameraConfig {
    std::string host = "localhost";
    int port = 7624;
    std::string device = "CCD Simulator";
    std::chrono::milliseconds connectTimeout{5000};
    // How long a frame may take to arrive after its exposure ends.
    std::chrono::milliseconds downloadLimit{60000};
};

// The frame CCDSoft's imager shows: the last one the camera took.
struct ActiveFrame {
    std::mutex mutex;
    std::string bytes;
};

class IndiSession;

class IndiCcdCamera : public CcdCamera {
  public:
    IndiCcdCamera(IndiCameraConfig config, std::shared_ptr<ActiveFrame> active);
    ~IndiCcdCamera() override;

    // Reaches the server and the camera on it; throws AutomationError saying which is missing.
    void Connect() override;
    void Disconnect() override;
    void SetExposureTime(double seconds) override { exposure_ = seconds; }
    void SetBinX(double factor) override { binX_ = factor; }
    void SetBinY(double factor) override { binY_ = factor; }
    void SetImageReduction(int value) override { reduction_ = value; }
    void SetSeries(int) override {}
    void SetDelay(int) override {}
    bool AutoSaveOn() override { return autoSave_; }
    void SetAutoSaveOn(bool value) override { autoSave_ = value; }
    void SetAsynchronous(bool value) override { asynchronous_ = value; }
    void TakeImage() override;
    int State() override;  // 0 once the frame is in
    std::string Status() override;
    void Abort() override;
    void SetAutoSaveFileFormat(int) override {}

    // The sensor's temperature in degrees Celsius; throws when the camera has none.
    double Temperature();

  private:
    enum class Stage { Idle, Dark, Light };
    IndiSession& session();
    void start(Stage stage);
    void finish(std::string frame);

    IndiCameraConfig config_;
    std::shared_ptr<ActiveFrame> active_;
    std::unique_ptr<IndiSession> session_;
    double exposure_ = 1.0;
    double binX_ = 1.0;
    double binY_ = 1.0;
    int reduction_ = 0;
    bool autoSave_ = false;
    bool asynchronous_ = false;
    Stage stage_ = Stage::Idle;
    std::chrono::steady_clock::time_point deadline_;
    // The dark frame of the last Auto Dark, reused while exposure and binning stay the same.
    std::string dark_;
    double darkExposure_ = -1.0;
    double darkBinX_ = 0.0;
    double darkBinY_ = 0.0;
};

// Where the mount points when the image is solved: the hint for the solver.
using PointingHint = std::function<std::optional<std::pair<double, double>>()>;

class IndiCcdImage : public CcdImage {
  public:
    IndiCcdImage(std::shared_ptr<ActiveFrame> active, std::shared_ptr<ImageSolver> solver,
                 std::shared_ptr<ImageLinkState> imageLink, PointingHint hint);
    void AttachToActiveImager() override;
    double ScaleInArcsecondsPerPixel() override { return scale_; }
    void SetScaleInArcsecondsPerPixel(double value) override { scale_ = value; }
    std::string Path() override { return path_; }
    void SetPath(const std::string& path) override { path_ = path; }
    void Save() override;
    void InsertWCS(int value) override;
    long WCSArrayUpperBound(int index) override;
    double NorthAngle() override;

  private:
    std::string resolved() const;
    std::shared_ptr<ActiveFrame> active_;
    std::shared_ptr<ImageSolver> solver_;
    std::shared_ptr<ImageLinkState> imageLink_;
    PointingHint hint_;
    std::optional<std::string> frame_;
    std::string path_;
    std::string saved_;
    double scale_ = 0.0;
    std::optional<ImageSolution> solution_;
};

}  // namespace kov::gemini

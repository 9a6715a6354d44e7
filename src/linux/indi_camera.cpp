#include "linux/indi_camera.h"

#include <libindi/baseclient.h>
#include <libindi/basedevice.h>
#include <libindi/indiproperty.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "linux/fits_frame.h"
#include "station/automation_error.h"
#include "station/safe_file.h"

namespace kov::gemini {

namespace {

constexpr std::int32_t kErrSolveFailed = 651;
constexpr std::int32_t kErrNoImage = 652;

AutomationError CameraError(const std::string& text) {
    return AutomationError(kErrCameraLink, text);
}

}  // namespace

// One client connection to the INDI server, watching one camera. libindi calls back on its own
// thread; everything shared with it is behind the mutex.
class IndiSession : public INDI::BaseClient {
  public:
    explicit IndiSession(const IndiCameraConfig& c) : config_(c) {}
    ~IndiSession() override { disconnectServer(); }

    void open() {
        const std::string where = config_.host + ":" + std::to_string(config_.port);
        setServer(config_.host.c_str(), static_cast<unsigned>(config_.port));
        // No watchDevice(): when the camera is missing, the devices the server does offer are
        // what the operator needs to hear.
        if (!connectServer()) {
            throw CameraError("Cannot reach the INDI server at " + where +
                              ": start it with the camera's driver (indiserver indi_...) or "
                              "correct the address");
        }
        if (!waitFor([&] { return hasProperty("CONNECTION"); }, config_.connectTimeout)) {
            std::string names;
            for (const auto& d : getDevices()) {
                names += std::string(names.empty() ? "" : ", ") + d.getDeviceName();
            }
            throw CameraError("The INDI server at " + where + " has no camera named \"" +
                              config_.device + "\"" +
                              (names.empty() ? std::string(" (it offers no devices)")
                                             : " (it offers: " + names + ")") +
                              "; choose one of its devices");
        }
        connectDevice(config_.device.c_str());
        if (!waitFor([&] { return connected() && hasProperty("CCD_EXPOSURE"); },
                     config_.connectTimeout)) {
            throw CameraError("The camera \"" + config_.device + "\" on " + where +
                              " did not connect; check that it is plugged in and powered");
        }
        setBLOBMode(B_ALSO, config_.device.c_str(), nullptr);
    }

    void expose(double seconds, double binX, double binY, bool light) {
        {
            std::lock_guard lock(mutex_);
            frame_.reset();
            failed_ = false;
        }
        const char* dev = config_.device.c_str();
        if (hasProperty("CCD_BINNING")) {
            sendNewNumber(dev, "CCD_BINNING", "HOR_BIN", binX);
            sendNewNumber(dev, "CCD_BINNING", "VER_BIN", binY);
        }
        if (hasProperty("CCD_FRAME_TYPE")) {
            sendNewSwitch(dev, "CCD_FRAME_TYPE", light ? "FRAME_LIGHT" : "FRAME_DARK");
        }
        sendNewNumber(dev, "CCD_EXPOSURE", "CCD_EXPOSURE_VALUE", seconds);
    }

    // The frame, once it has come; an error when the camera reported a failed exposure.
    std::optional<std::string> frame() {
        std::lock_guard lock(mutex_);
        if (failed_) {
            failed_ = false;
            throw CameraError("The camera \"" + config_.device +
                              "\" reported a failed exposure; see the INDI driver's messages");
        }
        auto f = std::move(frame_);
        frame_.reset();
        return f;
    }

    void abort() {
        if (hasProperty("CCD_ABORT_EXPOSURE")) {
            sendNewSwitch(config_.device.c_str(), "CCD_ABORT_EXPOSURE", "ABORT");
        }
        std::lock_guard lock(mutex_);
        frame_.reset();
    }

    std::optional<double> temperature() {
        const INDI::BaseDevice device = getDevice(config_.device.c_str());
        if (!device.isValid()) {
            return std::nullopt;
        }
        const INDI::PropertyNumber t = device.getNumber("CCD_TEMPERATURE");
        if (!t.isValid()) {
            return std::nullopt;
        }
        const auto* value = t.findWidgetByName("CCD_TEMPERATURE_VALUE");
        return value ? std::optional<double>(value->getValue()) : std::nullopt;
    }

  protected:
    void updateProperty(INDI::Property property) override {
        if (property.getType() == INDI_BLOB) {
            INDI::PropertyBlob blob(property);
            for (std::size_t i = 0; i < blob.size(); ++i) {
                const auto& w = blob[i];
                if (w.getBlobLen() <= 0) {
                    continue;
                }
                std::lock_guard lock(mutex_);
                const std::string format = w.getFormat();
                if (format.find(".z") != std::string::npos ||
                    format.find("fz") != std::string::npos) {
                    failed_ = true;  // compressed frames are not what the procedures save
                    continue;
                }
                frame_ = std::string(static_cast<const char*>(w.getBlob()),
                                     static_cast<std::size_t>(w.getBlobLen()));
            }
        } else if (property.isNameMatch("CCD_EXPOSURE") && property.getState() == IPS_ALERT) {
            std::lock_guard lock(mutex_);
            failed_ = true;
        }
    }

  private:
    bool hasProperty(const char* name) {
        const INDI::BaseDevice device = getDevice(config_.device.c_str());
        return device.isValid() && device.getProperty(name).isValid();
    }
    bool connected() {
        const INDI::BaseDevice device = getDevice(config_.device.c_str());
        return device.isValid() && device.isConnected();
    }
    template <class F>
    static bool waitFor(F condition, std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

    IndiCameraConfig config_;
    std::mutex mutex_;
    std::optional<std::string> frame_;
    bool failed_ = false;
};

IndiCcdCamera::IndiCcdCamera(IndiCameraConfig config, std::shared_ptr<ActiveFrame> active)
    : config_(std::move(config)), active_(std::move(active)) {}

IndiCcdCamera::~IndiCcdCamera() = default;

void IndiCcdCamera::Connect() {
    if (session_) {
        return;
    }
    auto session = std::make_unique<IndiSession>(config_);
    session->open();
    session_ = std::move(session);
}

void IndiCcdCamera::Disconnect() {
    session_.reset();
    stage_ = Stage::Idle;
}

IndiSession& IndiCcdCamera::session() {
    if (!session_) {
        throw CameraError("The camera is not connected");
    }
    return *session_;
}

void IndiCcdCamera::start(Stage stage) {
    session().expose(exposure_, binX_, binY_, stage == Stage::Light);
    stage_ = stage;
    deadline_ = std::chrono::steady_clock::now() +
                std::chrono::milliseconds(static_cast<long long>(exposure_ * 1000.0)) +
                config_.downloadLimit;
}

void IndiCcdCamera::TakeImage() {
    if (stage_ != Stage::Idle) {
        throw CameraError("The camera is still busy with the previous exposure");
    }
    const bool darkReady =
        !dark_.empty() && darkExposure_ == exposure_ && darkBinX_ == binX_ && darkBinY_ == binY_;
    start(reduction_ == 1 && !darkReady ? Stage::Dark : Stage::Light);
    while (!asynchronous_ && State() != 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void IndiCcdCamera::finish(std::string frame) {
    if (reduction_ == 1 && !SubtractDark(frame, dark_)) {
        throw CameraError(
            "The dark frame does not fit the light frame (size or pixel type); "
            "turn Auto Dark off for this camera");
    }
    std::lock_guard lock(active_->mutex);
    active_->bytes = std::move(frame);
}

int IndiCcdCamera::State() {
    if (stage_ == Stage::Idle) {
        return 0;
    }
    auto frame = session().frame();
    if (!frame) {
        if (std::chrono::steady_clock::now() > deadline_) {
            stage_ = Stage::Idle;
            throw CameraError("No frame came from the camera \"" + config_.device + "\" within " +
                              std::to_string(config_.downloadLimit.count() / 1000) +
                              " s of the exposure's end; check its driver");
        }
        return 1;
    }
    if (stage_ == Stage::Dark) {
        dark_ = std::move(*frame);
        darkExposure_ = exposure_;
        darkBinX_ = binX_;
        darkBinY_ = binY_;
        start(Stage::Light);
        return 1;
    }
    stage_ = Stage::Idle;
    finish(std::move(*frame));
    return 0;
}

std::string IndiCcdCamera::Status() {
    switch (stage_) {
        case Stage::Dark:
            return "Exposing dark frame";
        case Stage::Light:
            return "Exposing light frame";
        case Stage::Idle:
            break;
    }
    return "Ready";
}

void IndiCcdCamera::Abort() {
    if (stage_ != Stage::Idle) {
        session().abort();
    }
    stage_ = Stage::Idle;
}

double IndiCcdCamera::Temperature() {
    const auto t = session().temperature();
    if (!t) {
        throw CameraError("The camera \"" + config_.device + "\" reports no temperature");
    }
    return *t;
}

IndiCcdImage::IndiCcdImage(std::shared_ptr<ActiveFrame> active, std::shared_ptr<ImageSolver> solver,
                           std::shared_ptr<ImageLinkState> imageLink, PointingHint hint)
    : active_(std::move(active)),
      solver_(std::move(solver)),
      imageLink_(std::move(imageLink)),
      hint_(std::move(hint)) {}

void IndiCcdImage::AttachToActiveImager() {
    std::lock_guard lock(active_->mutex);
    if (active_->bytes.empty()) {
        throw AutomationError(kErrNoImage, "CCDSoft: there is no active image");
    }
    frame_ = active_->bytes;
    solution_.reset();
}

std::string IndiCcdImage::resolved() const {
    // The procedures name files the Windows way (".\KOV_Imagelink.fit").
    std::string generic = path_;
    std::replace(generic.begin(), generic.end(), '\\', '/');
    std::filesystem::path p(generic);
    return (p.is_absolute() ? p : std::filesystem::current_path() / p).lexically_normal().string();
}

void IndiCcdImage::Save() {
    if (!frame_) {
        throw AutomationError(kErrNoImage, "CCDSoft: no image is attached");
    }
    saved_ = resolved();
    WriteFileReplacing(saved_, *frame_);
    imageLink_->path = saved_;
}

void IndiCcdImage::InsertWCS(int) {
    if (saved_.empty()) {
        throw AutomationError(kErrNoImage, "CCDSoft: the image has not been saved");
    }
    SolveHint hint;
    hint.arcsecPerPixel = scale_;
    if (const auto pointing = hint_ ? hint_() : std::nullopt) {
        hint.ra = pointing->first;
        hint.dec = pointing->second;
    } else {
        hint.radiusDegrees = 180.0;
    }
    std::optional<ImageSolution> solution;
    try {
        solution = solver_->solve(saved_, hint);
    } catch (const std::runtime_error& e) {
        throw AutomationError(kErrSolveFailed, std::string("Image Link failed: ") + e.what());
    }
    if (!solution) {
        throw AutomationError(kErrSolveFailed, "Image Link failed: no match for " + saved_);
    }
    solution_ = solution;
    scale_ = solution->arcsecPerPixel;
    // CCDSoft solves through the planetarium's image link, which keeps the result.
    imageLink_->solution = solution;
}

long IndiCcdImage::WCSArrayUpperBound(int) {
    return solution_ ? solution_->stars : -1;
}

double IndiCcdImage::NorthAngle() {
    if (!solution_) {
        throw AutomationError(kErrNoImage, "CCDSoft: the image has no plate solution");
    }
    return solution_->northAngle;
}

}  // namespace kov::gemini

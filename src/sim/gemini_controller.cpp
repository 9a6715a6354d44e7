#include "sim/gemini_controller.h"

#include <cmath>

#include "mount/driver_utils.h"
#include "station/automation_error.h"

namespace kov::sim {

namespace {

constexpr double kArcsecPerHourOfAngle = 15.0 * kArcsecPerDegree;

// The driver may pass the LX200 framing along; the controller reads the command inside it.
std::string Unframed(const std::string& command) {
    std::size_t begin = 0;
    std::size_t end = command.size();
    if (begin < end && command[begin] == ':') {
        ++begin;
    }
    if (end > begin && command[end - 1] == '#') {
        --end;
    }
    return command.substr(begin, end - begin);
}

std::optional<double> Angle(const std::string& text, double low, double high) {
    try {
        const double v = ParseDMS(text);
        if (v < low || v > high) {
            return std::nullopt;
        }
        return v;
    } catch (const AutomationError&) {
        return std::nullopt;
    }
}

std::string WholeArcsec(double value) {
    return std::to_string(std::lround(value));
}

}  // namespace

std::string GeminiController::handle(const std::string& command, const HaDec& axesNow, double lst) {
    const std::string c = Unframed(command);
    if (c == "<201:") {
        return WholeArcsec(model_.MA);
    }
    if (c == "<202:") {
        return WholeArcsec(model_.ME);
    }
    if (c.rfind("Sr", 0) == 0) {
        const auto ra = Angle(c.substr(2), 0.0, 24.0);
        if (ra) {
            targetRa_ = WrapHours(*ra);
        }
        return ra ? "1" : "0";
    }
    if (c.rfind("Sd", 0) == 0) {
        const auto dec = Angle(c.substr(2), -90.0, 90.0);
        if (dec) {
            targetDec_ = *dec;
        }
        return dec ? "1" : "0";
    }
    if (c == "CM" || c == "Cm") {
        const auto sky = target(lst);
        if (!sky) {
            return "No object!#";
        }
        if (c == "Cm") {
            points_.push_back({axesNow, *sky});
            fit_ = FitPointingModel(points_);
            model_ = fit_.terms;
        }
        sync(*sky, axesNow);
        return "Coordinates matched.#";
    }
    return "#";
}

std::optional<HaDec> GeminiController::target(double lst) const {
    if (!targetRa_ || !targetDec_) {
        return std::nullopt;
    }
    return HaDec{WrapSignedHours(lst - *targetRa_), *targetDec_};
}

void GeminiController::sync(const HaDec& sky, const HaDec& axesNow) {
    // Move the index terms so that the model puts this sky position exactly on these axes.
    const HaDec predicted = SkyToAxes(model_, sky);
    model_.IH += WrapSignedHours(predicted.ha - axesNow.ha) * kArcsecPerHourOfAngle;
    model_.ID += (predicted.dec - axesNow.dec) * kArcsecPerDegree;
}

}  // namespace kov::sim

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

HaDec GeminiController::apparent(const HaDec& sky) const {
    return site_.refraction ? Refracted(sky, site_.latitude, site_.temperature, site_.pressure)
                            : sky;
}

HaDec GeminiController::axesFor(const HaDec& sky, PierSide side) const {
    return SkyToAxes(model_, apparent(sky), side);
}

HaDec GeminiController::skyAt(const AxisPosition& axes) const {
    const HaDec seen = AxesToSky(model_, axes.axes, axes.side);
    return site_.refraction ? Unrefracted(seen, site_.latitude, site_.temperature, site_.pressure)
                            : seen;
}

std::string GeminiController::handle(const std::string& command, const AxisPosition& axesNow,
                                     double lst) {
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
            points_.push_back({axesNow.axes, apparent(*sky), axesNow.side});
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

void GeminiController::sync(const HaDec& sky, const AxisPosition& axesNow) {
    // Move the index terms so that the model puts this sky position exactly on these axes; the
    // declination index acts with the sign of the pier side.
    const HaDec predicted = axesFor(sky, axesNow.side);
    model_.IH += WrapSignedHours(predicted.ha - axesNow.axes.ha) * kArcsecPerHourOfAngle;
    model_.ID += SideSign(axesNow.side) * (predicted.dec - axesNow.axes.dec) * kArcsecPerDegree;
}

}  // namespace kov::sim

#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/pointing_model.h"
#include "sim/sim_mount.h"
#include "sim/sky_math.h"

namespace kov::sim {

// What the controller knows of its site: where it stands and, when its refraction correction is
// on, the air it corrects for.
struct ControllerSite {
    double latitude = 0.0;
    bool refraction = false;
    double temperature = 10.0;
    double pressure = 1010.0;
};

// The Gemini controller's side of the command exchange: a target set by "Sr"/"Sd", syncs
// ("CM") that move its index terms, additional alignments ("Cm") that extend its point set and
// refit its pointing model, and the native queries of the model ("<201:" A, "<202:" E).
// The model starts empty and is applied, for the pier side the tube is on, to every position it
// reports and every slew it makes. Each alignment point keeps its pier side, so the model can
// tell the side-dependent terms from the rest. Catalogue positions are turned into where the air
// shows them (and back) when the refraction correction is on.
class GeminiController {
  public:
    explicit GeminiController(const ControllerSite& site = {}) : site_(site) {}

    // Handles one command as it arrives through the driver, with the axes where they stand now,
    // and returns the controller's reply text.
    std::string handle(const std::string& command, const AxisPosition& axesNow, double lst);

    HaDec axesFor(const HaDec& sky, PierSide side) const;
    HaDec skyAt(const AxisPosition& axes) const;

    const PointingTerms& model() const { return model_; }
    const ModelFit& lastFit() const { return fit_; }
    const std::vector<AlignmentPoint>& points() const { return points_; }

  private:
    std::optional<HaDec> target(double lst) const;
    void sync(const HaDec& sky, const AxisPosition& axesNow);
    HaDec apparent(const HaDec& sky) const;

    ControllerSite site_;
    PointingTerms model_;
    ModelFit fit_;
    std::vector<AlignmentPoint> points_;
    std::optional<double> targetRa_;
    std::optional<double> targetDec_;
};

}  // namespace kov::sim

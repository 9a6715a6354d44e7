#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/pointing_model.h"
#include "sim/sky_math.h"

namespace kov::sim {

// The Gemini controller's side of the command exchange: a target set by "Sr"/"Sd", syncs
// ("CM") that move its index terms, additional alignments ("Cm") that extend its point set and
// refit its pointing model, and the native queries of the model ("<201:" A, "<202:" E).
// The model starts empty and is applied to every position it reports and every slew it makes.
class GeminiController {
  public:
    // Handles one command as it arrives through the driver, with the axes where they stand now,
    // and returns the controller's reply text.
    std::string handle(const std::string& command, const HaDec& axesNow, double lst);

    HaDec axesFor(const HaDec& sky) const { return SkyToAxes(model_, sky); }
    HaDec skyAt(const HaDec& axes) const { return AxesToSky(model_, axes); }

    const PointingTerms& model() const { return model_; }
    const ModelFit& lastFit() const { return fit_; }
    const std::vector<AlignmentPoint>& points() const { return points_; }

  private:
    std::optional<HaDec> target(double lst) const;
    void sync(const HaDec& sky, const HaDec& axesNow);

    PointingTerms model_;
    ModelFit fit_;
    std::vector<AlignmentPoint> points_;
    std::optional<double> targetRa_;
    std::optional<double> targetDec_;
};

}  // namespace kov::sim

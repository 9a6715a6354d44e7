#include "sim/pointing_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "sim/random.h"

namespace kov::sim {
namespace {

const PointingTerms kTruth{420, -180, 90, 45, -300, 240};  // IH ID CH NP MA ME

TEST(SimPointingFormulas, HandComputedOffsets) {
    const PointingTerms all{10, 20, 30, 40, 50, 60};
    const std::tuple<PointingTerms, HaDec, double, double> cases[] = {
        // h = 6h: sin h = 1, cos h = 0; dec = 45: tan = 1, sec = sqrt 2.
        {all, {6.0, 45.0}, -10 - 30 * std::sqrt(2.0) - 40 + 60, -20 + 50},
        // On the meridian at the equator only the index, collimation and elevation terms act.
        {all, {0.0, 0.0}, -10 - 30, -20 + 60},
        // h = -3h: sin h = -cos h = -1/sqrt 2; dec = 30: tan = 1/sqrt 3.
        {{0, 0, 0, 0, -300, 240}, {-3.0, 30.0}, 60 / std::sqrt(6.0), 540 / std::sqrt(2.0)},
    };
    for (const auto& [terms, sky, dH, dDec] : cases) {
        const Offsets o = TermOffsets(terms, sky);
        EXPECT_NEAR(o.dH, dH, 1e-9) << sky.ha;
        EXPECT_NEAR(o.dDec, dDec, 1e-9) << sky.ha;
    }
}

TEST(SimPointingFormulas, AxesAndSkyAreInverse) {
    for (const HaDec sky : {HaDec{-4.0, 10.0}, HaDec{2.5, 75.0}, HaDec{0.3, -30.0}}) {
        const HaDec axes = SkyToAxes(kTruth, sky);
        EXPECT_GT(SeparationDegrees(axes, sky) * 3600, 60.0);  // the errors are real
        EXPECT_LT(SeparationDegrees(AxesToSky(kTruth, axes), sky) * 3600, 1e-6);
    }
}

std::vector<AlignmentPoint> PointsAt(const std::vector<HaDec>& layout, double noise,
                                     std::uint64_t seed) {
    Rng random(seed);
    std::vector<AlignmentPoint> points;
    for (const HaDec& sky : layout) {
        HaDec axes = SkyToAxes(kTruth, sky);
        axes.ha += random.normal() * noise / 54000.0 / std::cos(sky.dec * kDegToRad);
        axes.dec += random.normal() * noise / 3600.0;
        points.push_back({axes, sky});
    }
    return points;
}

TEST(SimPointingFit, RecoversPolarAxisFromEightNoisyPoints) {
    const std::vector<HaDec> spread = {{-4, 10},  {-2.5, 50}, {-1, -15}, {0.5, 30},
                                       {1.5, 70}, {3, 5},     {4, 40},   {-3.5, 60}};
    for (std::uint64_t seed : {1u, 2u, 3u}) {
        const ModelFit fit = FitPointingModel(PointsAt(spread, 3.0, seed));
        EXPECT_NEAR(fit.terms.MA, kTruth.MA, 10.0) << seed;
        EXPECT_NEAR(fit.terms.ME, kTruth.ME, 10.0) << seed;
        EXPECT_NEAR(fit.terms.ID, kTruth.ID, 10.0) << seed;
        EXPECT_EQ(fit.determined, (std::array<bool, kTermCount>{1, 1, 1, 1, 1, 1})) << seed;
    }
}

// Terms a layout cannot tell apart are reported undetermined and held at 0, never invented.
TEST(SimPointingFit, DegenerateLayoutsReportWhatTheyCannotDetermine) {
    using Determined = std::array<bool, kTermCount>;  // IH ID CH NP MA ME
    const std::tuple<std::vector<HaDec>, double, Determined> cases[] = {
        {{}, 0.0, {0, 0, 0, 0, 0, 0}},
        {{{1.0, 20.0}}, 0.0, {1, 1, 0, 0, 0, 0}},
        // The same position over and over adds nothing.
        {{{1.0, 20.0}, {1.0, 20.0}, {1.0, 20.0}}, 2.0, {1, 1, 0, 0, 0, 0}},
        // One declination: tan and sec of it are constants, not told from the index error.
        {{{-3, 30}, {-1, 30}, {1, 30}, {3, 30}}, 0.0, {1, 1, 0, 0, 1, 1}},
    };
    for (const auto& [layout, noise, determined] : cases) {
        SCOPED_TRACE(layout.size());
        const ModelFit fit = FitPointingModel(PointsAt(layout, noise, 1));
        EXPECT_EQ(fit.determined, determined);
        for (std::size_t t = 0; t < kTermCount; ++t) {  // a value only where determined
            EXPECT_EQ(TermValue(fit.terms, Term(t)) != 0.0, determined[t]) << TermName(Term(t));
        }
        if (fit.isDetermined(Term::MA)) {
            EXPECT_NEAR(fit.terms.MA, kTruth.MA, 1.0);
            EXPECT_NEAR(fit.terms.ME, kTruth.ME, 1.0);
        }
    }
}

}  // namespace
}  // namespace kov::sim

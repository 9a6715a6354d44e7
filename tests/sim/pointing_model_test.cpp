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
    const std::tuple<PointingTerms, HaDec, PierSide, double, double> cases[] = {
        // h = 6h: sin h = 1, cos h = 0; dec = 45: tan = 1, sec = sqrt 2.
        {all, {6.0, 45.0}, PierSide::East, -10 - 30 * std::sqrt(2.0) - 40 + 60, -20 + 50},
        // On the meridian at the equator only the index, collimation and elevation terms act.
        {all, {0.0, 0.0}, PierSide::East, -10 - 30, -20 + 60},
        // Over on the other side of the pier ID, CH and NP turn round.
        {all, {0.0, 0.0}, PierSide::West, -10 + 30, 20 + 60},
        {all, {6.0, 45.0}, PierSide::West, -10 + 30 * std::sqrt(2.0) + 40 + 60, 20 + 50},
        // h = -3h: sin h = -cos h = -1/sqrt 2; dec = 30: tan = 1/sqrt 3.
        {{0, 0, 0, 0, -300, 240},
         {-3.0, 30.0},
         PierSide::West,
         60 / std::sqrt(6.0),
         540 / std::sqrt(2.0)},
    };
    for (const auto& [terms, sky, side, dH, dDec] : cases) {
        const Offsets o = TermOffsets(terms, sky, side);
        EXPECT_NEAR(o.dH, dH, 1e-9) << sky.ha;
        EXPECT_NEAR(o.dDec, dDec, 1e-9) << sky.ha;
    }
}

TEST(SimPointingFormulas, AxesAndSkyAreInverse) {
    for (const PierSide side : {PierSide::East, PierSide::West}) {
        for (const HaDec sky : {HaDec{-4.0, 10.0}, HaDec{2.5, 75.0}, HaDec{0.3, -30.0}}) {
            const HaDec axes = SkyToAxes(kTruth, sky, side);
            EXPECT_GT(SeparationDegrees(axes, sky) * 3600, 60.0);  // the errors are real
            EXPECT_LT(SeparationDegrees(AxesToSky(kTruth, axes, side), sky) * 3600, 1e-6);
        }
    }
}

// Past a pole the declination is reflected and the hour angle turns by half a day, whether the
// fold comes from the arithmetic alone or from axes the index error has carried over the pole.
TEST(SimPointingFormulas, DeclinationsPastThePoleFoldBack) {
    const std::tuple<HaDec, HaDec> folds[] = {
        {{1.0, 91.0}, {-11.0, 89.0}},
        {{-3.0, -92.5}, {9.0, -87.5}},
        {{2.0, 45.0}, {2.0, 45.0}},
        {{11.5, 90.25}, {-0.5, 89.75}},
    };
    for (const auto& [in, out] : folds) {
        const HaDec folded = FoldPole(in);
        EXPECT_NEAR(folded.ha, out.ha, 1e-12) << in.dec;
        EXPECT_NEAR(folded.dec, out.dec, 1e-12) << in.dec;
    }
    PointingTerms index;
    index.ID = 180.0;  // the optics see 0.05 degrees beyond where the axis reads
    const HaDec sky = AxesToSky(index, {1.0, 89.98});
    EXPECT_NEAR(sky.dec, 89.97, 1e-6);
    EXPECT_NEAR(sky.ha, -11.0, 1e-6);
}

std::vector<AlignmentPoint> PointsAt(const std::vector<HaDec>& layout, double noise,
                                     std::uint64_t seed) {
    Rng random(seed);
    std::vector<AlignmentPoint> points;
    for (const HaDec& sky : layout) {
        const PierSide side = PierSide::East;
        HaDec axes = SkyToAxes(kTruth, sky, side);
        axes.ha += random.normal() * noise / 54000.0 / std::cos(sky.dec * kDegToRad);
        axes.dec += random.normal() * noise / 3600.0;
        points.push_back({axes, sky, side});
    }
    return points;
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
        // Four points within an hour of the meridian: the polar elevation error looks almost
        // like the declination index (cos h near 1), so it is refused rather than amplified.
        {{{-1, 20}, {-0.3, 50}, {0.4, 35}, {1, 60}}, 2.0, {1, 1, 0, 0, 1, 0}},
    };
    for (const auto& [layout, noise, determined] : cases) {
        SCOPED_TRACE(layout.size());
        const ModelFit fit = FitPointingModel(PointsAt(layout, noise, 1));
        EXPECT_EQ(fit.determined, determined);
        for (std::size_t t = 0; t < kTermCount; ++t) {
            EXPECT_LE(fit.amplification[t], kMaxNoiseAmplification) << TermName(Term(t));
        }
        for (std::size_t t = 0; t < kTermCount; ++t) {  // a value only where determined
            EXPECT_EQ(TermValue(fit.terms, Term(t)) != 0.0, determined[t]) << TermName(Term(t));
        }
        if (fit.isDetermined(Term::ME)) {
            EXPECT_NEAR(fit.terms.MA, kTruth.MA, 1.0);
            EXPECT_NEAR(fit.terms.ME, kTruth.ME, 1.0);
        }
    }
}

}  // namespace
}  // namespace kov::sim

#include "sim/pointing_model.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sim/random.h"

namespace kov::sim {
namespace {

TEST(SimPointingFormulas, HandComputedOffsets) {
    // h = 6h (90 degrees), dec = 45: sin h = 1, cos h = 0, tan = 1, sec = sqrt 2.
    PointingTerms t{10, 20, 30, 40, 50, 60};
    Offsets o = TermOffsets(t, HaDec{6.0, 45.0});
    EXPECT_NEAR(o.dH, -10 - 30 * std::sqrt(2.0) - 40 - 0 + 60, 1e-9);
    EXPECT_NEAR(o.dDec, -20 + 50 + 0, 1e-9);
    // On the meridian at the equator only the index, collimation and elevation terms act.
    o = TermOffsets(t, HaDec{0.0, 0.0});
    EXPECT_NEAR(o.dH, -10 - 30, 1e-9);
    EXPECT_NEAR(o.dDec, -20 + 60, 1e-9);
    // h = -3h, dec = 30.
    const double h = -45.0 * kDegToRad;
    const double d = 30.0 * kDegToRad;
    o = TermOffsets(PointingTerms{0, 0, 0, 0, -300, 240}, HaDec{-3.0, 30.0});
    EXPECT_NEAR(o.dH, 300 * std::cos(h) * std::tan(d) + 240 * std::sin(h) * std::tan(d), 1e-9);
    EXPECT_NEAR(o.dDec, -300 * std::sin(h) + 240 * std::cos(h), 1e-9);
}

TEST(SimPointingFormulas, AxesAndSkyAreInverse) {
    const PointingTerms t{420, -180, 90, 45, -300, 240};
    for (const HaDec sky : {HaDec{-4.0, 10.0}, HaDec{2.5, 75.0}, HaDec{0.3, -30.0}}) {
        const HaDec axes = SkyToAxes(t, sky);
        EXPECT_GT(SeparationDegrees(axes, sky) * 3600, 60.0);  // the errors are real
        const HaDec back = AxesToSky(t, axes);
        EXPECT_NEAR(back.ha, sky.ha, 1e-9);
        EXPECT_NEAR(back.dec, sky.dec, 1e-9);
    }
}

std::vector<AlignmentPoint> PointsAt(const PointingTerms& truth, const std::vector<HaDec>& layout,
                                     double noise, std::uint64_t seed) {
    Rng random(seed);
    std::vector<AlignmentPoint> points;
    for (const HaDec& sky : layout) {
        HaDec axes = SkyToAxes(truth, sky);
        axes.ha += random.normal() * noise / 54000.0 / std::cos(sky.dec * kDegToRad);
        axes.dec += random.normal() * noise / 3600.0;
        points.push_back({axes, sky});
    }
    return points;
}

const PointingTerms kTruth{420, -180, 90, 45, -300, 240};

TEST(SimPointingFit, RecoversPolarAxisFromEightNoisyPoints) {
    const std::vector<HaDec> spread = {{-4, 10},  {-2.5, 50}, {-1, -15}, {0.5, 30},
                                       {1.5, 70}, {3, 5},     {4, 40},   {-3.5, 60}};
    for (std::uint64_t seed : {1u, 2u, 3u}) {
        const ModelFit fit = FitPointingModel(PointsAt(kTruth, spread, 3.0, seed));
        EXPECT_NEAR(fit.terms.MA, kTruth.MA, 10.0) << seed;
        EXPECT_NEAR(fit.terms.ME, kTruth.ME, 10.0) << seed;
        EXPECT_NEAR(fit.terms.IH, kTruth.IH, 30.0) << seed;
        EXPECT_NEAR(fit.terms.ID, kTruth.ID, 10.0) << seed;
        for (bool determined : fit.determined) {
            EXPECT_TRUE(determined);
        }
        EXPECT_LT(fit.rmsArcsec, 10.0);
    }
}

TEST(SimPointingFit, DegenerateLayoutsReportWhatTheyCannotDetermine) {
    // One point: only the index errors.
    ModelFit fit = FitPointingModel(PointsAt(kTruth, {{1.0, 20.0}}, 0.0, 1));
    EXPECT_TRUE(fit.isDetermined(Term::IH));
    EXPECT_TRUE(fit.isDetermined(Term::ID));
    for (Term t : {Term::MA, Term::ME, Term::NP, Term::CH}) {
        EXPECT_FALSE(fit.isDetermined(t)) << TermName(t);
        EXPECT_EQ(TermValue(fit.terms, t), 0.0) << TermName(t);
    }
    // The same position over and over adds nothing.
    fit = FitPointingModel(PointsAt(kTruth, {{1.0, 20.0}, {1.0, 20.0}, {1.0, 20.0}}, 2.0, 1));
    EXPECT_FALSE(fit.isDetermined(Term::MA));
    // One declination, spread in hour angle: the polar axis is found, but tan and sec of the
    // declination are constants that cannot be told from the index error.
    fit = FitPointingModel(PointsAt(kTruth, {{-3, 30}, {-1, 30}, {1, 30}, {3, 30}}, 0.0, 1));
    EXPECT_TRUE(fit.isDetermined(Term::MA));
    EXPECT_TRUE(fit.isDetermined(Term::ME));
    EXPECT_FALSE(fit.isDetermined(Term::NP));
    EXPECT_FALSE(fit.isDetermined(Term::CH));
    EXPECT_NEAR(fit.terms.MA, kTruth.MA, 1.0);
    EXPECT_NEAR(fit.terms.ME, kTruth.ME, 1.0);
    // No points, no model.
    fit = FitPointingModel({});
    EXPECT_FALSE(fit.isDetermined(Term::IH));
    EXPECT_EQ(fit.terms.IH, 0.0);
}

}  // namespace
}  // namespace kov::sim

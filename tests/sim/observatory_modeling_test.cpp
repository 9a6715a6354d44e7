#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <vector>

#include "sim_session.h"

namespace kov::sim::test {
namespace {

// Hour angle and declination pairs over the sky visible from the default site.
const std::vector<HaDec> kAlignments = {{0.5, 20}, {-3, 10}, {-1.5, 50}, {0, -10},
                                        {1.5, 30}, {3, 60},  {-2.5, 70}, {2.5, 0}};
const std::vector<HaDec> kChecks = {{-2, 25}, {2, 45}, {-0.5, 5}, {1, 65}, {3.5, 15}};

double MeanMiss(SimSession& s) {
    double total = 0.0;
    for (const HaDec& p : kChecks) {
        total += s.slewToHaDec(p.ha, p.dec);
    }
    return total / static_cast<double>(kChecks.size());
}

TEST(SimModelingRun, SyncAndSevenAlignmentsRecoverThePolarAxisAndImprovePointing) {
    const auto started = std::chrono::steady_clock::now();
    SimSession s;
    const Scenario& truth = s.obs.scenario();

    const auto before = s.gemini(0);
    EXPECT_EQ(before.first, 0.0);  // an empty model reads 0
    const double missBefore = MeanMiss(s);
    EXPECT_GT(missBefore, 180.0);  // several arc minutes, as a night before modeling

    for (std::size_t i = 0; i < kAlignments.size(); ++i) {
        s.slewToHaDec(kAlignments[i].ha, kAlignments[i].dec);
        const SkyPosition solved = s.exposeAndSolve();
        s.gemini(i == 0 ? 1 : 2, solved);
    }
    const auto [a, e] = s.gemini(0);
    EXPECT_NEAR(a, truth.mountErrors.MA, 30.0);
    EXPECT_NEAR(e, truth.mountErrors.ME, 30.0);
    EXPECT_EQ(s.obs.alignmentPoints(), kAlignments.size() - 1);

    const double missAfter = MeanMiss(s);
    EXPECT_LT(missAfter, missBefore / 4.0);
    EXPECT_LT(missAfter, 60.0);

    // All of it on virtual time: minutes of night in well under a second of ours.
    EXPECT_GT(s.clock.sleptMs, 60'000u);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
}

TEST(SimModelingRun, SyncMovesOnlyTheIndexTerms) {
    SimSession s;
    s.slewToHaDec(1.0, 30.0);
    const SkyPosition solved = s.exposeAndSolve();
    const double missBefore = s.obs.pointingErrorArcsec();
    s.gemini(1, solved);
    EXPECT_LT(s.obs.pointingErrorArcsec(), 10.0);
    EXPECT_LT(s.obs.pointingErrorArcsec(), missBefore / 10.0);
    EXPECT_EQ(s.obs.controllerModel().MA, 0.0);
    EXPECT_EQ(s.obs.controllerModel().ME, 0.0);
    EXPECT_NE(s.obs.controllerModel().IH, 0.0);
    EXPECT_EQ(s.obs.alignmentPoints(), 0u);
}

TEST(SimModelingRun, SameSeedSameNightOtherSeedOtherNight) {
    auto night = [](std::uint64_t seed) {
        Scenario sc;
        sc.seed = seed;
        SimSession s(sc);
        std::vector<double> trace;
        for (const HaDec& p : kChecks) {
            trace.push_back(s.slewToHaDec(p.ha, p.dec));
            const SkyPosition solved = s.exposeAndSolve();
            trace.push_back(solved.ra);
            trace.push_back(solved.dec);
        }
        return trace;
    };
    EXPECT_EQ(night(7), night(7));
    EXPECT_NE(night(7), night(8));
}

}  // namespace
}  // namespace kov::sim::test

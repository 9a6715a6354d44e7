#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
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

// The sync moves only the index terms: it puts the mount on the spot but reads no model yet.
TEST(SimModelingRun, SyncAndSevenAlignmentsRecoverThePolarAxisAndImprovePointing) {
    const auto started = std::chrono::steady_clock::now();
    SimSession s;
    const double missBefore = MeanMiss(s);
    EXPECT_GT(missBefore, 180.0);  // several arc minutes, as a night before modeling

    for (std::size_t i = 0; i < kAlignments.size(); ++i) {
        s.slewToHaDec(kAlignments[i].ha, kAlignments[i].dec);
        const auto terms = s.gemini(i == 0 ? 1 : 2, s.exposeAndSolve());
        EXPECT_EQ(s.obs.alignmentPoints(), i);
        if (i == 0) {
            EXPECT_EQ(terms, std::pair(0.0, 0.0));
            EXPECT_LT(s.obs.pointingErrorArcsec(), 10.0);
        }
    }
    const auto [a, e] = s.gemini(0);
    EXPECT_NEAR(a, s.obs.scenario().mountErrors.MA, 30.0);
    EXPECT_NEAR(e, s.obs.scenario().mountErrors.ME, 30.0);

    const double missAfter = MeanMiss(s);
    EXPECT_LT(missAfter, missBefore / 4.0);
    EXPECT_LT(missAfter, 60.0);

    // All of it on virtual time: minutes of night in well under a second of ours.
    EXPECT_GT(s.clock.sleptMs, 60'000u);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
}

// The mount's noise and the solver's noise each follow the seed.
TEST(SimModelingRun, SameSeedSameNightOtherSeedOtherNight) {
    auto night = [](std::uint64_t seed) {
        Scenario sc;
        sc.seed = seed;
        SimSession s(sc);
        std::pair<std::vector<double>, std::vector<double>> misses;  // of slews, of solutions
        for (const HaDec& p : kChecks) {
            misses.first.push_back(s.slewToHaDec(p.ha, p.dec));
            const double solved = s.exposeAndSolve().ra;  // to a thousandth of an arc second:
            misses.second.push_back(std::round((solved - s.obs.truePointing().ra) * 5.4e7));
        }
        return misses;
    };
    const auto seven = night(7), eight = night(8);
    EXPECT_EQ(seven, night(7));
    EXPECT_NE(seven.first, eight.first);
    EXPECT_NE(seven.second, eight.second);
}

}  // namespace
}  // namespace kov::sim::test

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "sim/plate_solver.h"
#include "sim/sim_errors.h"
#include "sim/sim_world.h"
#include "sim_session.h"

namespace kov::sim::test {
namespace {

// Seconds of virtual time a call takes.
double SecondsOf(SimSession& s, const std::function<void()>& call) {
    const std::uint64_t before = s.clock.sleptMs;
    call();
    return static_cast<double>(s.clock.sleptMs - before) / 1000.0;
}

// The mount follows the sky up to 5 degrees past the meridian and swings over to the other side
// of the pier when a slew needs it; the swing takes its time and the camera turns with the tube.
// Calls that block their caller take their full virtual time too.
TEST(SimPierSide, SlewsPastTheMeridianLimitFlipAndTheImageTurns) {
    // Hour angle, declination, side after it, solved north angle, the slew's seconds.
    const std::tuple<double, double, PierSide, double, double, double> slews[] = {
        {-0.3, 30.0, PierSide::East, 12.5, 2.0, 12.0},    // 4.5 degrees east: stays
        {-2.0, 30.0, PierSide::West, 192.5, 40.0, 60.0},  // flips: half a turn less 1.7 h
        {0.3, 35.0, PierSide::West, 192.5, 2.0, 12.0},    // 4.5 degrees west: stays
        {2.0, 40.0, PierSide::East, 12.5, 40.0, 60.0},    // flips back
    };
    SimSession s;
    s.camera->SetAsynchronous(false);
    EXPECT_EQ(s.obs.pierSide(), PierSide::East);  // the night begins half an hour west
    for (const auto& [ha, dec, side, northAngle, minSeconds, maxSeconds] : slews) {
        SCOPED_TRACE(ha);
        const double seconds = SecondsOf(s, [&] { s.slewToHaDec(ha, dec); });
        EXPECT_GE(seconds, minSeconds);
        EXPECT_LE(seconds, maxSeconds);
        EXPECT_EQ(s.obs.pierSide(), side);
        EXPECT_LT(s.obs.pointingErrorArcsec(), 900.0);  // the model is empty, the errors real
        s.camera->SetExposureTime(2.0);                 // and 3 s of download
        EXPECT_NEAR(SecondsOf(s, [&] { s.camera->TakeImage(); }), 5.0, 0.005);
        auto image = s.obs.factory().createCcdImage(progid::kCcdImage);
        image->AttachToActiveImager();
        // A solution takes 1 s plus a tenth of a second for each matched star.
        const double solving = SecondsOf(s, [&] { image->InsertWCS(0); });
        EXPECT_NEAR(solving, 1.0 + static_cast<double>(image->WCSArrayUpperBound(0)) / 10.0, 0.005);
        EXPECT_NEAR(image->NorthAngle(), northAngle, 0.2);
    }
    // A synchronous slew from the night's start: 60 degrees in declination at 4 degrees a second
    // (less the hair the controller adds for the air), then 2 s to settle.
    SimSession fresh;
    fresh.tele->SetAsynchronous(false);
    const double ra = WrapHours(fresh.lst() - 0.5);
    EXPECT_NEAR(SecondsOf(fresh, [&] { fresh.tele->SlewToRaDec(ra, 80.0, "KovSkyMapper"); }), 17.0,
                0.005);
    EXPECT_EQ(SolveSeconds(500), 10.0);
    s.sky->DisconnectTelescope();
    auto driver = s.obs.factory().createAscomTelescope(progid::kGemini);
    driver->SetConnected(true);
    EXPECT_NEAR(SecondsOf(s, [&] { driver->CommandNative("<201:"); }), 0.03, 0.005);
}

// What the camera sees is lifted by the air. With the controller's correction off the mount aims
// at the catalogue position, so the stars at the centre of the field sit lower by the refraction
// (Bennett at 10 degrees: cot(10 + 7.31 / 14.4 degrees) = 5.3915'); with it on, the controller
// aims higher by just that much.
TEST(SimRefraction, LowPointsAreSeenWhereBennettPutsThem) {
    EXPECT_NEAR(BennettRefraction(10.0, -10.0, 900.0) * 60.0,
                5.3915 * (900.0 / 1010.0) * (283.0 / 263.0), 0.001);
    for (const bool corrected : {false, true}) {
        Scenario sc;
        sc.mountErrors = {};
        sc.pointingNoise = 0.0;
        sc.controllerRefraction = corrected;
        SimSession s(sc);
        s.tele->SetAsynchronous(false);
        s.tele->SlewToAzAlt(200.0, 10.0, "KovSkyMapper");
        s.tele->GetAzAlt();
        const SkyPosition seen = s.obs.truePointing();
        const double seenAlt =
            ToAltAz({WrapSignedHours(s.lst() - seen.ra), seen.dec}, sc.site.latitude).alt;
        EXPECT_NEAR((s.tele->dAlt() - seenAlt) * 60.0, corrected ? 0.0 : 5.3915, 0.1) << corrected;
    }
}

// Fewer stars, more failures: low down through thick air, in short exposures; and more noise.
TEST(SimSolver, FailsMoreOftenAndScattersMoreWithFewerStars) {
    // Altitude, exposure, the failure rate's bounds.
    const std::tuple<double, double, double, double> rows[] = {
        {60.0, 2.0, 0.0, 0.01},  {10.0, 2.0, 0.1, 0.5},  {5.0, 2.0, 0.8, 1.0},
        {60.0, 0.5, 0.02, 0.15}, {10.0, 8.0, 0.0, 0.05},
    };
    std::vector<double> scatter;
    for (const auto& [alt, exposure, minRate, maxRate] : rows) {
        SCOPED_TRACE(testing::Message() << alt << " " << exposure);
        kov::test::VirtualClock clock;
        Scenario sc;
        sc.seed = 99;
        SimWorld world(sc, clock);
        ImageRecord image;
        image.number = 1;
        image.exposure = exposure;
        image.trueDec = 40.0;
        image.trueAltAz = {180.0, alt};
        int failures = 0;
        double sumSquares = 0.0;
        for (int attempt = 0; attempt < 1000; ++attempt) {
            try {
                const double d = (SolveImage(world, image, {}).dec - image.trueDec) * 3600.0;
                sumSquares += d * d;
            } catch (const AutomationError& e) {
                EXPECT_EQ(e.number(), kErrSolveFailed);
                ++failures;
            }
        }
        EXPECT_GE(failures / 1000.0, minRate);
        EXPECT_LE(failures / 1000.0, maxRate);
        scatter.push_back(failures < 1000 ? std::sqrt(sumSquares / (1000 - failures)) : 0.0);
    }
    EXPECT_NEAR(scatter[0], 1.0, 0.15);       // the scenario's noise at 45 stars or so
    EXPECT_GT(scatter[1], 1.4 * scatter[0]);  // a third of the stars low down
    EXPECT_LT(scatter[4], scatter[1]);        // a longer exposure finds more of them
}

// A cloud drifts across the sky: where it stood at the start of the night the field solves an
// hour later, and where it has gone the field no longer does.
TEST(SimSolver, CloudsDriftAcrossTheSky) {
    kov::test::VirtualClock clock;
    Scenario sc;
    sc.clouds = {Cloud{120.0, 30.0, 10.0, 30.0, 0.0}};  // 30 degrees of azimuth an hour
    SimWorld world(sc, clock);
    const std::tuple<std::uint64_t, double, bool> rows[] = {
        {0, 120.0, false}, {0, 150.0, true}, {3'600'000, 120.0, true}, {0, 150.0, false}};
    for (const auto& [wait, az, solved] : rows) {
        clock.advance(wait);
        ImageRecord image;
        image.number = 1;
        image.exposure = 2.0;
        image.trueAltAz = {az, 30.0};
        EXPECT_EQ(ErrorNumber([&] { SolveImage(world, image, {}); }) == 0, solved) << az;
    }
}

// The horizon by azimuth, joined by straight lines round the circle, never below the flat one.
TEST(SimHorizon, ProfileByAzimuthLimitsTheSlews) {
    Scenario sc;
    sc.horizon = 8.0;
    sc.horizonProfile = {{270.0, 30.0}, {0.0, 10.0}, {90.0, 20.0}, {180.0, 0.0}};
    SimSession s(sc);
    const SimWorld world(sc, s.clock);
    const std::tuple<double, double> heights[] = {
        {0.0, 10.0}, {45.0, 15.0}, {135.0, 10.0}, {170.0, 8.0}, {315.0, 20.0}, {360.0, 10.0},
    };
    for (const auto& [az, alt] : heights) {
        EXPECT_NEAR(world.horizonAt(az), alt, 1e-9) << az;
    }
    s.tele->SetAsynchronous(false);
    EXPECT_EQ(ErrorNumber([&] { s.tele->SlewToAzAlt(280.0, 25.0, "KovSkyMapper"); }),
              kErrBelowHorizon);  // behind the trees in the west
    EXPECT_EQ(ErrorNumber([&] { s.tele->SlewToAzAlt(200.0, 12.0, "KovSkyMapper"); }), 0);
}

const std::vector<HaDec> kChecks = {{-2, 25}, {2, 45}, {-0.5, 5}, {1, 65}, {3.5, 15}};

double MeanMiss(SimSession& s) {
    double total = 0.0;
    for (const HaDec& p : kChecks) {
        total += s.slewToHaDec(p.ha, p.dec);
    }
    return total / static_cast<double>(kChecks.size());
}

// A night of a zig-zag across the meridian, as the modeling run walks it: a sync, then
// additional alignments, hour angles stepping 1.5 h between 3 h east and 3 h west, the
// declination rising 20 degrees at each turn. Returns the controller's MA and ME error after
// each number of points asked for.
std::vector<std::pair<double, double>> ZigZagNight(SimSession& s, const std::vector<int>& after,
                                                   std::vector<PierSide>& sides) {
    std::vector<std::pair<double, double>> errors;
    const double has[] = {-3.0, -1.5, 0.0, 1.5, 3.0};
    const PointingTerms truth = s.obs.scenario().mountErrors;
    int point = 0;
    for (int row = 0; point < after.back(); ++row) {
        for (int i = 0; i < 5 && point < after.back(); ++i) {
            s.slewToHaDec(row % 2 == 0 ? has[i] : has[4 - i], 10.0 + 20.0 * row);
            SkyPosition solved;
            try {
                solved = s.exposeAndSolve();
            } catch (const AutomationError&) {
                continue;  // a failed solution is no point
            }
            const auto terms = s.gemini(point == 0 ? 1 : 2, solved);
            if (point++ == 0) {
                // The sync moves only the index terms: the mount is on the spot, no model yet.
                EXPECT_EQ(terms, std::pair(0.0, 0.0));
                EXPECT_LT(s.obs.pointingErrorArcsec(), 10.0);
            }
            EXPECT_EQ(s.obs.alignmentPoints(), static_cast<std::size_t>(point - 1));
            sides.push_back(s.obs.pierSide());
            if (std::find(after.begin(), after.end(), point) != after.end()) {
                const PointingTerms& m = s.obs.controllerModel();
                errors.emplace_back(m.MA - truth.MA, m.ME - truth.ME);
            }
        }
    }
    return errors;
}

// The figures of the README's table: run with --gtest_filter=SimZigZagNight.* to print them.
// The same night shows the model at work: afterwards the mount points far closer.
TEST(SimZigZagNight, TenPointsAcrossTheMeridianRecoverThePolarAxis) {
    const std::vector<int> counts = {5, 10, 20};
    std::vector<PierSide> sides;
    SimSession unmodeled, s;
    const double missBefore = MeanMiss(unmodeled);
    EXPECT_GT(missBefore, 180.0);  // several arc minutes, as a night before modeling
    const auto night = ZigZagNight(s, counts, sides);
    ASSERT_EQ(night.size(), counts.size());
    EXPECT_NE(std::count(sides.begin(), sides.end(), PierSide::East), 0);
    EXPECT_NE(std::count(sides.begin(), sides.end(), PierSide::West), 0);
    EXPECT_LT(std::hypot(night[1].first, night[1].second), 30.0);
    EXPECT_LT(std::hypot(night[2].first, night[2].second), 30.0);
    const double missAfter = MeanMiss(s);
    EXPECT_LT(missAfter, std::min(missBefore / 4.0, 60.0));

    // And over twenty other nights, the root mean square of the errors.
    std::vector<double> rmsA(counts.size()), rmsE(counts.size());
    const int nights = 20;
    for (int seed = 1; seed <= nights; ++seed) {
        Scenario sc;
        sc.seed = static_cast<std::uint64_t>(seed);
        SimSession other(sc);
        const auto e = ZigZagNight(other, counts, sides);
        for (std::size_t k = 0; k < e.size(); ++k) {
            rmsA[k] += e[k].first * e[k].first / nights;
            rmsE[k] += e[k].second * e[k].second / nights;
        }
    }
    std::printf("| points | MA error (default night) | ME error | MA rms (20 nights) | ME rms |\n");
    for (std::size_t k = 0; k < counts.size(); ++k) {
        std::printf("| %d | %+.1f\" | %+.1f\" | %.1f\" | %.1f\" |\n", counts[k], night[k].first,
                    night[k].second, std::sqrt(rmsA[k]), std::sqrt(rmsE[k]));
    }
    EXPECT_LT(std::sqrt(rmsA[1]), 30.0);
    EXPECT_LT(std::sqrt(rmsE[1]), 30.0);
}

// The mount's noise and the solver's noise each follow the seed.
TEST(SimZigZagNight, SameSeedSameNightOtherSeedOtherNight) {
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

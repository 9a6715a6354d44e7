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

// One image through CCDSoft, solved; its north angle.
double SolvedNorthAngle(SimSession& s) {
    s.camera->SetAsynchronous(false);
    s.camera->SetExposureTime(2.0);
    s.camera->TakeImage();
    auto image = s.obs.factory().createCcdImage(progid::kCcdImage);
    image->AttachToActiveImager();
    image->InsertWCS(0);
    return image->NorthAngle();
}

// The mount follows the sky up to 5 degrees past the meridian and swings over to the other side
// of the pier when a slew needs it; the swing takes its time and the camera turns with the tube.
TEST(SimPierSide, SlewsPastTheMeridianLimitFlipAndTheImageTurns) {
    struct Slew {
        double ha, dec;
        PierSide side;
        double northAngle;
        double minSeconds, maxSeconds;  // the slew, until it reports complete
    };
    const Slew slews[] = {
        {-0.3, 30.0, PierSide::East, 12.5, 2.0, 12.0},    // 4.5 degrees east: stays
        {-2.0, 30.0, PierSide::West, 192.5, 40.0, 60.0},  // flips: half a turn less 1.7 h
        {0.3, 35.0, PierSide::West, 192.5, 2.0, 12.0},    // 4.5 degrees west: stays
        {2.0, 40.0, PierSide::East, 12.5, 40.0, 60.0},    // flips back
    };
    SimSession s;
    EXPECT_EQ(s.obs.pierSide(), PierSide::East);  // the night begins half an hour west
    for (const Slew& slew : slews) {
        SCOPED_TRACE(slew.ha);
        const std::uint64_t before = s.clock.sleptMs;
        s.slewToHaDec(slew.ha, slew.dec);
        const double seconds = static_cast<double>(s.clock.sleptMs - before) / 1000.0;
        EXPECT_GE(seconds, slew.minSeconds);
        EXPECT_LE(seconds, slew.maxSeconds);
        EXPECT_EQ(s.obs.pierSide(), slew.side);
        EXPECT_LT(s.obs.pointingErrorArcsec(), 900.0);  // the model is empty, the errors real
        EXPECT_NEAR(SolvedNorthAngle(s), slew.northAngle, 0.2);
    }
}

// Seconds of virtual time a call takes.
double SecondsOf(SimSession& s, const std::function<void()>& call) {
    const std::uint64_t before = s.clock.sleptMs;
    call();
    return static_cast<double>(s.clock.sleptMs - before) / 1000.0;
}

// Calls that block their caller take their full virtual time. Each row returns the seconds the
// call took and the seconds it should take.
TEST(SimVirtualTime, BlockingCallsTakeTheirTime) {
    using Row = std::pair<const char*, std::function<std::pair<double, double>(SimSession&)>>;
    const Row rows[] = {
        // 60 degrees in declination at 4 degrees a second (less the hair the controller adds
        // for the air), then 2 s to settle.
        {"synchronous slew",
         [](SimSession& s) {
             s.tele->SetAsynchronous(false);
             const double ra = WrapHours(s.lst() - 0.5);
             return std::pair(SecondsOf(s, [&] { s.tele->SlewToRaDec(ra, 80.0, "KovSkyMapper"); }),
                              17.0);
         }},
        // 30 s of light and 3 s of download.
        {"synchronous exposure",
         [](SimSession& s) {
             s.camera->SetAsynchronous(false);
             s.camera->SetExposureTime(30.0);
             return std::pair(SecondsOf(s, [&] { s.camera->TakeImage(); }), 33.0);
         }},
        {"Gemini command",
         [](SimSession& s) {
             s.sky->DisconnectTelescope();
             auto driver = s.obs.factory().createAscomTelescope(progid::kGemini);
             driver->SetConnected(true);
             return std::pair(SecondsOf(s, [&] { driver->CommandNative("<201:"); }), 0.03);
         }},
        // 1 s plus a tenth of a second for each matched star.
        {"plate solution",
         [](SimSession& s) {
             s.camera->SetAsynchronous(false);
             s.camera->SetExposureTime(2.0);
             s.camera->TakeImage();
             auto image = s.obs.factory().createCcdImage(progid::kCcdImage);
             image->AttachToActiveImager();
             const double took = SecondsOf(s, [&] { image->InsertWCS(0); });
             const long stars = image->WCSArrayUpperBound(0);
             EXPECT_GT(stars, 20);
             return std::pair(took, 1.0 + static_cast<double>(stars) / 10.0);
         }},
    };
    for (const auto& [what, call] : rows) {
        SimSession s;
        const auto [took, expected] = call(s);
        EXPECT_NEAR(took, expected, 0.005) << what;
    }
    EXPECT_EQ(SolveSeconds(0), 1.0);
    EXPECT_EQ(SolveSeconds(500), 10.0);
}

// What the camera sees is lifted by the air. With the controller's correction off the mount aims
// at the catalogue position, so the stars at the centre of the field sit lower by the refraction
// (Bennett at 10 degrees: cot(10 + 7.31 / 14.4 degrees) = 5.3915'); with it on, the controller
// aims higher by just that much.
TEST(SimRefraction, LowPointsAreSeenWhereBennettPutsThem) {
    EXPECT_NEAR(BennettRefraction(10.0, 10.0, 1010.0) * 60.0, 5.3915, 0.001);
    EXPECT_NEAR(BennettRefraction(10.0, -10.0, 900.0) / BennettRefraction(10.0, 10.0, 1010.0),
                (900.0 / 1010.0) * (283.0 / 263.0), 1e-12);
    for (const bool corrected : {false, true}) {
        Scenario sc;
        sc.mountErrors = {};
        sc.pointingNoise = 0.0;
        sc.controllerRefraction = corrected;
        SimSession s(sc);
        s.tele->SetAsynchronous(false);
        s.tele->SlewToAzAlt(200.0, 10.0, "KovSkyMapper");
        s.tele->GetAzAlt();
        const double aimed = s.tele->dAlt();  // the catalogue altitude the mount was sent to
        const SkyPosition seen = s.obs.truePointing();
        const double seenAlt =
            ToAltAz({WrapSignedHours(s.lst() - seen.ra), seen.dec}, sc.site.latitude).alt;
        const double lowerBy = (aimed - seenAlt) * 60.0;
        // The apparent altitude is 10 degrees plus what the controller added for the air.
        EXPECT_NEAR(lowerBy, corrected ? 0.0 : 5.3915, 0.1) << corrected;
    }
}

// Fewer stars, more failures: low down through thick air, in short exposures; and more noise.
TEST(SimSolver, FailsMoreOftenAndScattersMoreWithFewerStars) {
    struct Row {
        double alt, exposure;
        double minRate, maxRate;
    };
    const Row rows[] = {
        {60.0, 2.0, 0.0, 0.01},  {10.0, 2.0, 0.1, 0.5},  {5.0, 2.0, 0.8, 1.0},
        {60.0, 0.5, 0.02, 0.15}, {10.0, 8.0, 0.0, 0.05},
    };
    std::vector<double> scatter;
    for (const Row& row : rows) {
        kov::test::VirtualClock clock;
        Scenario sc;
        sc.seed = 99;
        SimWorld world(sc, clock);
        ImageRecord image;
        image.number = 1;
        image.exposure = row.exposure;
        image.trueRa = 3.0;
        image.trueDec = 40.0;
        image.trueAltAz = {180.0, row.alt};
        int failures = 0;
        double sumSquares = 0.0;
        for (int attempt = 0; attempt < 1000; ++attempt) {
            try {
                const Solution solved = SolveImage(world, image, {});
                const double d = (solved.dec - image.trueDec) * 3600.0;
                sumSquares += d * d;
            } catch (const AutomationError& e) {
                EXPECT_EQ(e.number(), kErrSolveFailed);
                ++failures;
            }
        }
        const double rate = failures / 1000.0;
        EXPECT_GE(rate, row.minRate) << row.alt << " " << row.exposure;
        EXPECT_LE(rate, row.maxRate) << row.alt << " " << row.exposure;
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
    const auto solves = [&](double az) {
        ImageRecord image;
        image.number = 1;
        image.exposure = 2.0;
        image.trueAltAz = {az, 30.0};
        return ErrorNumber([&] { SolveImage(world, image, {}); }) == 0;
    };
    const std::uint64_t hour = 3'600'000;
    const std::tuple<std::uint64_t, double, bool> rows[] = {
        {0, 120.0, false}, {0, 150.0, true}, {hour, 120.0, true}, {0, 150.0, false}};
    for (const auto& [wait, az, solved] : rows) {
        clock.advance(wait);
        EXPECT_EQ(solves(az), solved) << wait << " " << az;
    }
}

// The horizon by azimuth, joined by straight lines round the circle, never below the flat one.
TEST(SimHorizon, ProfileByAzimuthLimitsTheSlews) {
    kov::test::VirtualClock clock;
    Scenario sc;
    sc.horizon = 8.0;
    sc.horizonProfile = {{270.0, 30.0}, {0.0, 10.0}, {90.0, 20.0}, {180.0, 0.0}};
    SimWorld world(sc, clock);
    const std::tuple<double, double> heights[] = {
        {0.0, 10.0}, {45.0, 15.0}, {135.0, 10.0}, {170.0, 8.0}, {315.0, 20.0}, {360.0, 10.0},
    };
    for (const auto& [az, alt] : heights) {
        EXPECT_NEAR(world.horizonAt(az), alt, 1e-9) << az;
    }

    SimSession s(sc);
    s.tele->SetAsynchronous(false);
    EXPECT_EQ(ErrorNumber([&] { s.tele->SlewToAzAlt(280.0, 25.0, "KovSkyMapper"); }),
              kErrBelowHorizon);  // behind the trees in the west
    EXPECT_EQ(ErrorNumber([&] { s.tele->SlewToAzAlt(200.0, 12.0, "KovSkyMapper"); }), 0);
}

// A night of a zig-zag across the meridian, as the modeling run walks it: a sync, then
// additional alignments, hour angles stepping 1.5 h between 3 h east and 3 h west, the
// declination rising 20 degrees at each turn. Returns the controller's MA and ME error after
// each number of points asked for.
std::vector<std::pair<double, double>> ZigZagNight(Scenario sc, const std::vector<int>& after,
                                                   std::vector<PierSide>* sides = nullptr) {
    SimSession s(sc);
    std::vector<std::pair<double, double>> errors;
    const double has[] = {-3.0, -1.5, 0.0, 1.5, 3.0};
    int point = 0;
    for (int row = 0; point < after.back(); ++row) {
        for (int i = 0; i < 5 && point < after.back(); ++i) {
            const double ha = row % 2 == 0 ? has[i] : has[4 - i];
            s.slewToHaDec(ha, 10.0 + 20.0 * row);
            SkyPosition solved;
            try {
                solved = s.exposeAndSolve();
            } catch (const AutomationError&) {
                continue;  // a failed solution is no point
            }
            s.gemini(point == 0 ? 1 : 2, solved);
            ++point;
            if (sides) {
                sides->push_back(s.obs.pierSide());
            }
            if (std::find(after.begin(), after.end(), point) != after.end()) {
                const PointingTerms& m = s.obs.controllerModel();
                errors.emplace_back(m.MA - sc.mountErrors.MA, m.ME - sc.mountErrors.ME);
            }
        }
    }
    return errors;
}

// The figures of the README's table: run with --gtest_filter=SimZigZagNight.* to print them.
TEST(SimZigZagNight, TenPointsAcrossTheMeridianRecoverThePolarAxis) {
    const std::vector<int> counts = {5, 10, 20};
    std::vector<PierSide> sides;
    const auto night = ZigZagNight(DefaultScenario(), counts, &sides);
    ASSERT_EQ(night.size(), counts.size());
    EXPECT_NE(std::count(sides.begin(), sides.end(), PierSide::East), 0);
    EXPECT_NE(std::count(sides.begin(), sides.end(), PierSide::West), 0);
    EXPECT_LT(std::hypot(night[1].first, night[1].second), 30.0);
    EXPECT_LT(std::hypot(night[2].first, night[2].second), 30.0);

    // And over twenty other nights, the root mean square of the errors.
    std::vector<double> rmsA(counts.size()), rmsE(counts.size());
    const int nights = 20;
    for (int seed = 1; seed <= nights; ++seed) {
        Scenario sc;
        sc.seed = static_cast<std::uint64_t>(seed);
        const auto e = ZigZagNight(sc, counts);
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

}  // namespace
}  // namespace kov::sim::test

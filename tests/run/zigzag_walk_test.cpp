#include "run/zigzag_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "model/run_settings.h"
#include "station/texts.h"

namespace kov {
namespace {

struct WalkSetup {
    const char *initial, *move, *moveDec, *range, *decRange;
    bool east;
};

void Apply(RunSettings& s, const WalkSetup& setup) {
    s.InitialMoveRA = setup.initial;
    s.MoveInRA = setup.move;
    s.MoveInDEC = setup.moveDec;
    s.ReverseRA = setup.range;
    s.DECMaxRange = setup.decRange;
    s.WestFirst = !setup.east;
}

// The loop's use of the walk: next target, slew, declination turn; the measured position is the
// target plus `error` hours in right ascension (0: the target itself, as for an unsolved point).
std::vector<SkyPosition> Walk(ZigZagWalk& walk, const RunSettings& s, SkyPosition start, int steps,
                              double error = 0.0) {
    walk = ZigZagWalk{};
    walk.current = start;
    walk.raDirection = s.EastFirst() ? -1 : 1;
    std::vector<SkyPosition> targets;
    for (int i = 0; i < steps; ++i) {
        NextTarget(walk, s);
        targets.push_back(walk.current);
        EXPECT_EQ(walk.slewTarget.ra, walk.current.ra);
        EXPECT_EQ(walk.slewTarget.dec, walk.current.dec + (walk.current.dec < 0 ? 360 : 0));
        EXPECT_LE(std::fabs(walk.current.dec), 90.0) << "a target past a pole";
        TurnDeclination(walk);
        if (error != 0) {
            walk.current.ra = std::fmod(walk.current.ra + error + 24, 24.0);
        }
    }
    return targets;
}

// The targets as "ra,dec" with right ascension in thirds of an hour, where every step lands.
std::string Written(const std::vector<SkyPosition>& targets) {
    std::string out;
    for (const SkyPosition& t : targets) {
        const double thirds = t.ra * 3;
        EXPECT_NEAR(thirds, std::round(thirds), 3e-9) << t.ra;
        EXPECT_NEAR(t.dec, std::round(t.dec), 1e-9);
        out += (out.empty() ? "" : " ") + std::to_string(std::lround(thirds)) + "," +
               std::to_string(std::lround(t.dec));
    }
    return out;
}

// Every target worked out by hand from the rules.
TEST(ZigZagWalk, TargetsTurnsAndEdges) {
    // RA limits 10 and 5.3333 h, declination limits 35 and 5 in the worked example: the
    // declination turns north on reaching 5 (T3) and south on reaching 35 (T9). T13's 5.3333 h
    // is still in range (rounding leaves it a hair above the limit); the next trial, 5 h, is
    // not, so T14 steps east instead. With whole hours the trial 6 h lands exactly on the lower
    // limit and does not turn. Near a pole the step that would pass it turns the walk first.
    // clang-format off
    const std::tuple<const char*, WalkSetup, SkyPosition, std::string> cases[] = {
        {"worked example", {"10", "5", "5", "70", "30", false}, {10, 20},
         "28,15 27,10 26,5 25,10 24,15 23,20 22,25 21,30 20,35 19,30 18,25 17,20 16,15 17,10 "
         "18,5 19,10"},
        {"east first", {"10", "5", "5", "70", "30", true}, {10, 20}, "32,15 33,10 34,5"},
        {"trial on the RA limit", {"15", "15", "5", "90", "30", false}, {12, 20},
         "33,15 30,10 27,5 24,10 21,15 18,20 21,25"},
        {"RA step wider than the range", {"5", "30", "5", "10", "30", false}, {12, 20},
         "35,15 41,10 35,5 41,10"},
        {"no declination range", {"10", "5", "5", "70", "0", false}, {10, 20},
         "28,15 27,20 26,15 25,20"},
        {"north pole", {"10", "5", "5", "70", "30", false}, {10, 80},
         "28,75 27,70 26,65 25,70 24,75 23,80 22,85 21,90 20,85"},
        {"south pole", {"10", "5", "5", "70", "30", false}, {10, -80},
         "28,-85 27,-90 26,-85 25,-80 24,-75 23,-70 22,-65 21,-70"},
    };
    // clang-format on
    for (const auto& [name, setup, start, targets] : cases) {
        SCOPED_TRACE(name);
        RunSettings s;
        Apply(s, setup);
        ZigZagWalk walk;
        const auto steps = static_cast<int>(std::count(targets.begin(), targets.end(), ' ') + 1);
        EXPECT_EQ(Written(Walk(walk, s, start, steps)), targets);
        if (std::string(name) == "worked example") {  // its limits to the last digit
            EXPECT_EQ(GeneralNumber(walk.raLower) + " " + GeneralNumber(walk.decLower),
                      "5.33333333333333 5");
            EXPECT_EQ(GeneralNumber(walk.raUpper) + " " + GeneralNumber(walk.decUpper), "10 35");
        }
    }
}

// A range across 0 h walks exactly as the same range 12 h away, instead of turning at once.
// The measured positions are a little off their targets, so no step ends on a limit.
TEST(ZigZagWalk, RangeAcrossZeroHoursTurnsAtItsRealEdges) {
    for (const bool east : {false, true}) {
        SCOPED_TRACE(east ? "east" : "west");
        RunSettings s;
        Apply(s, {"10", "5", "5", "70", "30", east});
        ZigZagWalk across;
        ZigZagWalk plain;
        const auto acrossTargets = Walk(across, s, {east ? 23.0 : 1.0, 20}, 50, 0.01);
        const auto plainTargets = Walk(plain, s, {east ? 11.0 : 13.0, 20}, 50, 0.01);
        EXPECT_TRUE(across.raStraddlesZero);
        int turns = 0;
        for (std::size_t i = 0; i < acrossTargets.size(); ++i) {
            SCOPED_TRACE("target " + std::to_string(i + 1));
            EXPECT_NEAR(std::fmod(acrossTargets[i].ra + 12, 24.0), plainTargets[i].ra, 1e-9);
            if (i >= 2) {
                const double before = plainTargets[i - 1].ra - plainTargets[i - 2].ra;
                const double now = plainTargets[i].ra - plainTargets[i - 1].ra;
                turns += (before > 0) != (now > 0);
            }
        }
        EXPECT_GE(turns, 3);  // both edges were reached
    }
}

}  // namespace
}  // namespace kov

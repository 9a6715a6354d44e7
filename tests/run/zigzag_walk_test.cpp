#include "run/zigzag_walk.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "station/texts.h"
#include "ui/run_settings.h"

namespace kov {
namespace {

struct WalkSetup {
    const char* initial;
    const char* move;
    const char* moveDec;
    const char* range;
    const char* decRange;
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

constexpr double kThird = 1.0 / 3;

// Every target worked out by hand from the rules; each row starts at 20 degrees unless stated.
TEST(ZigZagWalk, TargetsTurnsAndEdges) {
    struct Case {
        const char* name;
        WalkSetup setup;
        SkyPosition start;
        std::vector<SkyPosition> targets;
    };
    const Case cases[] = {
        // West first, 10/5/5/70/30 from 10 h, 20 degrees: RA limits 10 and 5.3333 h, declination
        // limits 35 and 5. Declination turns north on reaching 5 (T3) and south on reaching 35
        // (T9). T13's 5.3333 h is still in range (rounding leaves it a hair above the limit);
        // the next trial, 5 h, is not, so T14 steps east instead.
        {"worked example",
         {"10", "5", "5", "70", "30", false},
         {10, 20},
         {{10 - 2 * kThird, 15},
          {9, 10},
          {9 - kThird, 5},
          {8 + kThird, 10},
          {8, 15},
          {8 - kThird, 20},
          {7 + kThird, 25},
          {7, 30},
          {7 - kThird, 35},
          {6 + kThird, 30},
          {6, 25},
          {6 - kThird, 20},
          {5 + kThird, 15},
          {6 - kThird, 10},
          {6, 5},
          {6 + kThird, 10}}},
        {"east first",
         {"10", "5", "5", "70", "30", true},
         {10, 20},
         {{10 + 2 * kThird, 15}, {11, 10}, {11 + kThird, 5}}},
        // Whole hours: the trial 6 h lands exactly on the lower limit and does not turn.
        {"trial on the RA limit",
         {"15", "15", "5", "90", "30", false},
         {12, 20},
         {{11, 15}, {10, 10}, {9, 5}, {8, 10}, {7, 15}, {6, 20}, {7, 25}}},
        {"RA step wider than the range",
         {"5", "30", "5", "10", "30", false},
         {12, 20},
         {{12 - kThird, 15}, {14 - kThird, 10}, {12 - kThird, 5}, {14 - kThird, 10}}},
        {"no declination range",
         {"10", "5", "5", "70", "0", false},
         {10, 20},
         {{10 - 2 * kThird, 15}, {9, 20}, {9 - kThird, 15}, {8 + kThird, 20}}},
        // Declination limits 95 and 65: the step to 95 would pass the pole, so the walk turns
        // before it; limits -65 and -95 the same way at the south pole.
        {"north pole",
         {"10", "5", "5", "70", "30", false},
         {10, 80},
         {{10 - 2 * kThird, 75},
          {9, 70},
          {9 - kThird, 65},
          {8 + kThird, 70},
          {8, 75},
          {8 - kThird, 80},
          {7 + kThird, 85},
          {7, 90},
          {7 - kThird, 85}}},
        {"south pole",
         {"10", "5", "5", "70", "30", false},
         {10, -80},
         {{10 - 2 * kThird, -85},
          {9, -90},
          {9 - kThird, -85},
          {8 + kThird, -80},
          {8, -75},
          {8 - kThird, -70},
          {7 + kThird, -65},
          {7, -70}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunSettings s;
        Apply(s, c.setup);
        ZigZagWalk walk;
        const auto targets = Walk(walk, s, c.start, static_cast<int>(c.targets.size()));
        for (std::size_t i = 0; i < targets.size(); ++i) {
            SCOPED_TRACE("target " + std::to_string(i + 1));
            EXPECT_NEAR(targets[i].ra, c.targets[i].ra, 1e-9);
            EXPECT_NEAR(targets[i].dec, c.targets[i].dec, 1e-9);
        }
    }
}

TEST(ZigZagWalk, WorkedExampleToTheLastDigit) {
    RunSettings s;
    Apply(s, {"10", "5", "5", "70", "30", false});
    ZigZagWalk walk;
    Walk(walk, s, {10, 20}, 1);
    EXPECT_EQ(
        (std::vector{GeneralNumber(walk.raUpper), GeneralNumber(walk.raLower),
                     GeneralNumber(walk.decUpper), GeneralNumber(walk.decLower),
                     GeneralNumber(walk.current.ra), GeneralNumber(walk.current.dec)}),
        (std::vector<std::string>{"10", "5.33333333333333", "35", "5", "9.33333333333333", "15"}));
    EXPECT_EQ(walk.start.ra, 10);
    EXPECT_FALSE(walk.raStraddlesZero);
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

// What the charts, the CSV and the report read from a run record.

#include <gtest/gtest.h>

#include <tuple>

#include <cmath>

#include "run/model_csv.h"
#include "run/model_view.h"
#include "run/test_statistics.h"

namespace kov {
namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;

// Errors are the short way round, scaled by cos(Dec) in right ascension.
TEST(ModelView, PointingErrorsAreShortWayRoundOnTheSky) {
    const struct {
        const char* name;
        SkyPosition target;
        SkyPosition solved;
        double ra;
        double dec;
    } rows[] = {
        {"equator, 1 s of time east", {10.0, 0.0}, {10.0 + 1 / 3600.0, 0.0}, 15.0, 0.0},
        {"60 degrees north halves RA", {10.0, 60.0}, {10.0 + 1 / 3600.0, 60.0}, 7.5, 0.0},
        {"across 0 h", {23.9999, 20.0}, {0.0001, 20.0}, 0.0002 * 54000 * std::cos(20 * kDegree), 0},
        {"target written as 0..360 degrees", {5.0, 350.0}, {5.0, -10.0 + 2 / 3600.0}, 0.0, 2.0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const PointingError e = PointingErrorOf(row.target, row.solved);
        EXPECT_NEAR(e.ra, row.ra, 1e-6);
        EXPECT_NEAR(e.dec, row.dec, 1e-6);
    }
}

// A START run of a sync, three alignment points and a failed point; the failed point keeps no
// solution even when one was read before it failed.
RunRecord SampleRun() {
    RunRecord r;
    r.command = RunCommand::Start;
    r.ending = RunEnding::Completed;
    r.pointsAsked = 4;
    const auto point = [](int image, int status, int sync, double a, bool bTarget) {
        PointRecord p;
        p.imageNumber = image;
        p.status = status;
        p.statusText = status ? "Star pattern \"odd\", sorry" : "";
        p.sent = static_cast<SentAs>(sync);
        p.solved = SkyPosition{10.0, 20.0 + 30 / 3600.0};
        if (bTarget) {
            p.target = SkyPosition{10.0, 20.0};
        }
        if (sync) {
            p.terms = ModelTerms{a, -a + 0.0};
        }
        p.mount = HorizontalPosition{45.0, 100.0 + image};
        return p;
    };
    r.points = {point(1, 0, 1, 0.0, false), point(2, 0, 2, -5.0, true),
                point(3, 0x1A8, 0, 0.0, true), point(3, 0, 2, -4.0, true),
                point(4, 0, 2, -4.5, true)};
    return r;
}

TEST(ModelView, OutcomesHistoryAndBandsFollowTheRecord) {
    RunRecord record = SampleRun();
    const ModelView v = BuildModelView(record);
    EXPECT_EQ(v.count(PointOutcome::Sent), 4);
    EXPECT_EQ(v.count(PointOutcome::Failed), 1);
    EXPECT_FALSE(v.points[2].solved || v.points[2].error);  // failed: no solution, no error
    EXPECT_FALSE(v.points[0].error);                        // the sync had no target
    EXPECT_NEAR(v.points[1].error->dec, 30.0, 1e-6);
    ASSERT_EQ(v.history.size(), 3u);  // alignment points only, not the sync
    EXPECT_EQ(v.history.back().alignment, 3);
    EXPECT_EQ(v.history.back().imageNumber, 4);
    ASSERT_TRUE(v.azBand && v.elBand);
    EXPECT_EQ((std::vector{v.azBand->firstAlignment, v.azBand->lastAlignment}),
              (std::vector{1, 3}));
    EXPECT_EQ((std::vector{v.azBand->low, v.azBand->high, v.elBand->low, v.elBand->high}),
              (std::vector{-5.0, -4.0, 4.0, 5.0}));
    EXPECT_FALSE(v.current);  // ended: nothing in progress

    record.ending = RunEnding::Running;
    record.points.resize(3);
    const ModelView running = BuildModelView(record);
    EXPECT_EQ(running.current, 2u);
    EXPECT_FALSE(running.azBand);  // one reading is no band
}

// Both windows' term charts: a round step of at least half an arc minute, zero always shown.
TEST(TermChartScale, RoundStepsAroundTheReadingsAndZero) {
    const struct {
        std::vector<TermReading> history;
        TermScale scale;  // bottom, top, step
    } rows[] = {{{}, {-0.5, 0.5, 0.5}},
                {{{1, 1, {-5.0, 4.0}}}, {-6.0, 6.0, 2.0}},
                {{{1, 1, {30.0, 32.0}}, {2, 2, {31.0, 33.0}}}, {-5.0, 40.0, 5.0}}};
    for (const auto& row : rows) {
        const TermScale got = TermChartScale(row.history);
        EXPECT_EQ(std::tuple(got.bottom, got.top, got.step),
                  std::tuple(row.scale.bottom, row.scale.top, row.scale.step));
    }
}

// The TEST run's figures: both axes count, each the short way round.
TEST(TestStatistics, RmsAndPeakOverBothAxesTheShortWayRound) {
    TestStatistics stats;
    stats.add({1.0, 10.0}, {1.0, 15.0});    // 5 degrees north
    stats.add({23.9, 0.0}, {0.1, 0.0});     // 3 degrees across 0 h
    stats.add({5.0, 350.0}, {5.0, -10.0});  // the same place
    EXPECT_EQ(stats.count(), 3);
    EXPECT_NEAR(stats.peakDeg(), 5.0, 1e-9);
    EXPECT_NEAR(stats.rmsDeg(), std::sqrt(34.0 / 3.0), 1e-9);
}

TEST(ModelCsv, HeaderThenOneRowPerPointWithTextQuoted) {
    const std::string csv = ModelCsv(BuildModelView(SampleRun()));
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = csv.find("\r\n", at)) != std::string::npos; at = end + 2) {
        lines.push_back(csv.substr(at, end - at));
    }
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0],
              "run,command,image,outcome,sent,target_ra_h,target_dec_deg,solved_ra_h,"
              "solved_dec_deg,alt_deg,az_deg,error_ra_arcsec,error_dec_arcsec,term_az_arcmin,"
              "term_el_arcmin,status,description");
    EXPECT_EQ(lines[1], "1,START,1,sent,sync,,,10,20.0083333333333,45,101,,,0,0,0,");
    EXPECT_EQ(lines[3],
              "1,START,3,failed,,10,20,,,45,103,,,,,424,\"Star pattern \"\"odd\"\", "
              "sorry\"");
    EXPECT_EQ(lines[5].substr(0, 20), "1,START,4,sent,align");
}

TEST(SkyBackdrop, AngleTextsAndHorizonHeights) {
    const struct {
        const char* text;
        std::optional<double> degrees;
    } angles[] = {
        {"45\xC2\xBA 30' 36\"", 45.51},
        {"-12:30", -12.5},
        {"271.5", 271.5},
        {"abc", std::nullopt},
    };
    for (const auto& row : angles) {
        SCOPED_TRACE(row.text);
        const std::optional<double> got = AngleTextDegrees(row.text);
        ASSERT_EQ(got.has_value(), row.degrees.has_value());
        if (got) {
            EXPECT_NEAR(*got, *row.degrees, 1e-9);
        }
    }
    const HorizonHeights h{10, 20, 30, 40};
    const std::pair<double, double> heights[] = {{0, 10},   {45, 15},  {180, 30},
                                                 {315, 25}, {-45, 25}, {720, 10}};
    for (const auto& [az, height] : heights) {
        EXPECT_DOUBLE_EQ(HorizonHeightAt(h, az), height) << az;
    }
}

}  // namespace
}  // namespace kov

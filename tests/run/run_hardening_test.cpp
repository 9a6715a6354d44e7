// Faults a reliability review found in whole runs on the simulated observatory, each mended:
// waits without a bound, an empty list, a count that is no count.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/start_stop_test.h"
#include "model/point_list.h"
#include "run/model_csv.h"
#include "run/model_view.h"
#include "run/run_trace.h"

namespace kov::test {
namespace {

bool Has(const std::vector<std::string>& entries, const std::string& part) {
    return std::any_of(entries.begin(), entries.end(),
                       [&](const std::string& e) { return e.find(part) != std::string::npos; });
}

// A device that never finishes is an error of the run, named, and the run goes on or ends as
// the operator answers; nothing waits for ever.
TEST(BoundedWaits, AStuckSlewOrCameraIsAnErrorTheOperatorAnswers) {
    struct Row {
        const char* name;
        bool slew;
        bool maxim;
        Answer answer;
        const char* says;
        RunEnding ending;
    };
    const Row rows[] = {
        {"stuck slew, No", true, false, Answer::No, "did not finish its slew",
         RunEnding::Incomplete},
        {"stuck camera, No", false, false, Answer::No, "did not finish its exposure",
         RunEnding::Incomplete},
        {"stuck MaxIm camera, No", false, true, Answer::No, "did not finish its exposure",
         RunEnding::Incomplete},
        {"stuck slew, Yes to all", true, false, Answer::Yes, "did not finish its slew",
         RunEnding::Completed},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        sim::Scenario sc = sim::DefaultScenario();
        sc.slewNeverEnds = row.slew;
        sc.exposureNeverEnds = !row.slew;
        RunStation s(sc, 3);
        s.st.settings.bCCDSoft.set(!row.maxim);
        const std::uint32_t started = s.clock.ticks();
        for (int i = 0; i < 20; ++i) {
            s.ui.answers.push_back(row.answer);
        }
        Command1Click(s.st);
        const std::vector<std::string> log = LogEntries(s.st.log.text());
        EXPECT_TRUE(Has(log, row.says)) << s.st.log.text();
        EXPECT_EQ(s.st.record.get().ending, row.ending);
        ASSERT_FALSE(s.ui.boxes.empty());
        EXPECT_EQ(s.ui.boxes.front().title, "KOV - ERROR");
        // Bounded by minutes of virtual time, not hours.
        EXPECT_LT(s.clock.ticks() - started, 60u * 60u * 1000u);
    }
}

// Settings the window refuses before any work: a count that is not 1 or more, an empty list in
// Map Points. Nothing is created, nothing moves.
TEST(RunRefusals, BadCountsAndAnEmptyListAreRefusedBeforeAnyWork) {
    struct Row {
        const char* count;
        bool mapPoints;
        const char* says;
    };
    const Row rows[] = {
        {"-5", false, "Invalid number entered for Points"},
        {"0", false, "Invalid number entered for Points"},
        {"", false, "Invalid number entered for Points"},
        {"nan", false, "Invalid number entered for Points"},
        {"0.5", false, "Invalid number entered for Points"},
        {"10", true, "The point list is empty"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.count);
        RunStation s(sim::DefaultScenario(), 3);
        s.st.settings.bZigZag.set(!row.mapPoints);
        s.st.settings.NumberOfAligns.set(row.count);
        Command1Click(s.st);
        ASSERT_EQ(s.ui.boxes.size(), 1u);
        EXPECT_NE(s.ui.boxes[0].text.find(row.says), std::string::npos) << s.ui.boxes[0].text;
        EXPECT_EQ(s.ui.boxes[0].title, "KOV - Invalid input");
        EXPECT_TRUE(s.sim.callLog().empty());
    }
}

// Text fields that a spreadsheet would run as formulas stay texts; numbers stay numbers.
TEST(CsvExport, FormulaLikeTextsAreQuotedAfterAnApostrophe) {
    ModelView view;
    for (const char* text : {"=HYPERLINK(\"x\")", "+1", "-cmd", "@SUM(A1)", "plain"}) {
        ModelViewPoint p;
        p.statusText = text;
        view.points.push_back(p);
    }
    const std::string rows = ModelCsvRows(1, "START", view);
    for (const char* expected :
         {"\"'=HYPERLINK(\"\"x\"\")\"", "\"'+1\"", "\"'-cmd\"", "\"'@SUM(A1)\"", ",plain"}) {
        EXPECT_NE(rows.find(expected), std::string::npos) << expected << "\n" << rows;
    }
}

}  // namespace
}  // namespace kov::test

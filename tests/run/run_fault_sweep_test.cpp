// Every outside call of a 4-point START run fails once, in turn; the operator answers Yes to
// every question, then No. Whatever fails, the run must end through one of its described
// endings, and the controller must never be told a position that is not a fresh plate solution
// of the point being sent.

#include <gtest/gtest.h>

#include <cstdio>

#include "run/run_commands.h"
#include "run/run_trace.h"

namespace kov::test {
namespace {

struct Hang {};

struct SweepOutcome {
    RunEnding ending = RunEnding::Running;
    std::vector<std::string> staleSends;  // what went wrong with a send
    bool bHung = false;
    std::string escaped;  // an exception that left the run command
};

void SetUp4Points(RunStation& s) {
    s.st.settings.Exposure.set("1");
    s.st.settings.Delay.set("0");
}

SweepOutcome RunWithFault(std::optional<std::size_t> failAt, Answer answer) {
    RunStation s(sim::DefaultScenario(), 4);
    SetUp4Points(s);
    if (failAt) {
        s.sim.failCallAt(*failAt, AutomationError(0x2A, "Injected failure"));
    }
    s.ui.answers.assign(1000, answer);
    // The run takes minutes of virtual time; one still going after two hours is stuck.
    s.clock.onSleep = [&s](std::uint32_t) {
        if (s.clock.sleptMs > 2ull * 3600 * 1000) {
            throw Hang{};
        }
    };

    SweepOutcome out;
    std::vector<std::pair<double, double>> sentBefore;
    int lightAtLastSend = 0;
    s.st.record.observe([&](const RunRecord& r, RecordChange change, std::size_t index) {
        if (change != RecordChange::PointUpdated || r.points[index].sync == 0 ||
            index + 1 != r.points.size() || r.points[index].terms) {
            return;
        }
        // Sent right now: the solution must be the image link's, of an image taken since the
        // last send, and never one sent before.
        const PointRecord& p = r.points[index];
        const auto link = s.sim.imageLinkInformation();
        const std::pair pos{p.solved ? p.solved->ra : -1, p.solved ? p.solved->dec : -1};
        if (!p.solved || !link || link->ra != pos.first || link->dec != pos.second ||
            s.sim.lightImagesTaken() <= lightAtLastSend ||
            std::find(sentBefore.begin(), sentBefore.end(), pos) != sentBefore.end()) {
            out.staleSends.push_back("image " + std::to_string(p.imageNumber));
        }
        sentBefore.push_back(pos);
        lightAtLastSend = s.sim.lightImagesTaken();
    });
    try {
        Command1Click(s.st);
    } catch (const Hang&) {
        out.bHung = true;
    } catch (const std::exception& e) {
        out.escaped = e.what();
    }
    out.ending = s.st.record.get().ending;
    // The controller got no more points than the run sent as fresh.
    const auto sent = s.sent();
    const auto commands = std::count(sent.begin(), sent.end(), 'C');
    if (commands > static_cast<long>(sentBefore.size())) {
        out.staleSends.push_back("a CM or Cm the run did not send");
    }
    const auto entries = LogEntries(s.st.log.text());
    const bool bClosed = !entries.empty() && entries.back() == "Model Run Completed";
    if (s.st.run.bRunning || s.history(Label::Command1).back() != "START" ||
        bClosed != (out.ending == RunEnding::Completed || out.ending == RunEnding::Incomplete)) {
        out.escaped += " (not ended as described)";
    }
    return out;
}

TEST(RunFaultSweep, EveryCallOfAFourPointRunFailsOnceInTurn) {
    std::vector<std::string> calls;
    {
        RunStation clean(sim::DefaultScenario(), 4);
        SetUp4Points(clean);
        Command1Click(clean.st);
        ASSERT_EQ(clean.st.record.get().ending, RunEnding::Completed);
        ASSERT_EQ(clean.sent(), "CM Cm Cm Cm");
        calls = clean.sim.callLog();
    }
    int runs = 0;
    for (const Answer answer : {Answer::Yes, Answer::No}) {
        for (std::size_t at = 0; at < calls.size(); ++at) {
            const SweepOutcome out = RunWithFault(at, answer);
            ++runs;
            SCOPED_TRACE(testing::Message() << "call " << at << " " << calls[at] << ", answers "
                                            << (answer == Answer::Yes ? "Yes" : "No"));
            EXPECT_FALSE(out.bHung);
            EXPECT_EQ(out.escaped, "");
            EXPECT_NE(out.ending, RunEnding::Running);
            EXPECT_NE(out.ending, RunEnding::Stopped);
            EXPECT_EQ(out.staleSends, std::vector<std::string>{});
        }
    }
    std::printf("[  SWEEP   ] %zu calls swept, %d faulted runs\n", calls.size(), runs);
}

}  // namespace
}  // namespace kov::test

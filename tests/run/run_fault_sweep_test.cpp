// Every outside call of a 4-point START run fails once, in turn; the operator answers Yes to
// every question, then No. Whatever fails, the run must end through one of its described
// endings, and the controller must never be told a position that is not a fresh plate solution
// of the point being sent.

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

#include "commands/start_stop_test.h"
#include "run/run_trace.h"

namespace kov::test {
namespace {

struct Hang {};

// What went wrong in a 4-point run with the call at `failAt` failing once; empty when nothing.
std::string RunWithFault(std::optional<std::size_t> failAt, Answer answer,
                         std::vector<std::string>* calls = nullptr) {
    RunStation s(sim::DefaultScenario(), 4);
    s.st.settings.Exposure.set("1");
    s.st.settings.Delay.set("0");
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
    std::string wrong;
    std::vector<std::pair<double, double>> sentBefore;
    int lightAtLastSend = 0;
    s.st.record.observe([&](const RunRecord& r, RecordChange change, std::size_t index) {
        if (change != RecordChange::PointUpdated || r.points[index].sent == SentAs::Nothing ||
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
            wrong += " stale send of image " + std::to_string(p.imageNumber);
        }
        sentBefore.push_back(pos);
        lightAtLastSend = s.sim.lightImagesTaken();
    });
    try {
        Command1Click(s.st);
    } catch (const Hang&) {
        wrong += " hung";
    } catch (const std::exception& e) {
        wrong += std::string(" escaped: ") + e.what();
    }
    const RunEnding ending = s.st.record.get().ending;
    if (ending == RunEnding::Running || ending == RunEnding::Stopped) {
        wrong += std::string(" ended ") + RunEndingName(ending);
    }
    // The controller got no more points than the run sent as fresh.
    const auto sent = s.sent();
    if (std::count(sent.begin(), sent.end(), 'C') > static_cast<long>(sentBefore.size())) {
        wrong += " a CM or Cm the run did not send";
    }
    const auto entries = LogEntries(s.st.log.text());
    const bool bClosed = !entries.empty() && entries.back() == "Model Run Completed";
    if (s.st.run.bRunning || s.history(Label::Command1).back() != "START" ||
        bClosed != (ending == RunEnding::Completed || ending == RunEnding::Incomplete)) {
        wrong += " not ended as described";
    }
    if (calls != nullptr) {  // the run without a fault, whose calls are swept
        *calls = s.sim.callLog();
        wrong += sent == "CM Cm Cm Cm" && ending == RunEnding::Completed ? "" : " not all sent";
    }
    return wrong;
}

TEST(RunFaultSweep, EveryCallOfAFourPointRunFailsOnceInTurn) {
    std::vector<std::string> calls;
    ASSERT_EQ(RunWithFault(std::nullopt, Answer::Yes, &calls), "");
    for (const Answer answer : {Answer::Yes, Answer::No}) {
        for (std::size_t at = 0; at < calls.size(); ++at) {
            SCOPED_TRACE(testing::Message() << "call " << at << " " << calls[at] << ", answers "
                                            << (answer == Answer::Yes ? "Yes" : "No"));
            EXPECT_EQ(RunWithFault(at, answer), "");
        }
    }
    std::printf("[  SWEEP   ] %zu calls swept, twice\n", calls.size());
}

}  // namespace
}  // namespace kov::test

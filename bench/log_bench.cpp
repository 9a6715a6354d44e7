// The cost of one log entry with the log window open, for a short log and a long one. The
// window appends each entry, so the two costs must stay close (ratio under 2).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "model/operator_log.h"
#include "station/clock.h"
#include "station/operator.h"
#include "ui/qt/log_form.h"
#include "unattended_operator.h"

namespace {

class FixedClock : public kov::Clock {
  public:
    void sleep(std::uint32_t) override {}
    std::uint32_t ticks() const override { return 0; }
    kov::TimeOfDay timeOfDay() const override { return {21, 5, 3}; }
    double epochSeconds() const override { return 0; }
};

// A log of `existing` entries of a run's usual length, shown in an open log window.
struct OpenLog {
    explicit OpenLog(int existing) {
        // The last entries arrive with the window open, so its first measured entry is not
        // also its first append.
        constexpr int kWarmUp = 100;
        for (int i = 0; i < existing; ++i) {
            if (i == existing - kWarmUp) {
                window = std::make_unique<kov::qt::LogForm>(log, clock, ui);
                window->show();
                QCoreApplication::processEvents();
            }
            log.AddLog("Image " + std::to_string(i) + " solved: RA 12.3456 DEC 45.678 PA 181.2");
        }
        QCoreApplication::processEvents();
    }
    FixedClock clock;
    kov::bench::Unattended ui;
    kov::OperatorLog log{clock};
    std::unique_ptr<kov::qt::LogForm> window;
};

constexpr const char* kEntry = "Slewing to RA 13.2451 DEC 41.0277, Az Err: 1.25 El Err: -0.75";

// AddLog alone: what a procedure pays for each entry.
void BM_AddLog(benchmark::State& state) {
    OpenLog open(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        open.log.AddLog(kEntry);
    }
    state.SetItemsProcessed(state.iterations());
}

// AddLog followed by the window's event processing (layout and paint), as at every yield.
void BM_AddLogAndYield(benchmark::State& state) {
    OpenLog open(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        open.log.AddLog(kEntry);
        QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations());
}

// A fixed number of entries keeps the log near its starting size during the measurement.
BENCHMARK(BM_AddLog)->Arg(1000)->Arg(100000)->Iterations(2000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AddLogAndYield)
    ->Arg(1000)
    ->Arg(100000)
    ->Iterations(500)
    ->Unit(benchmark::kMicrosecond);

// Keeps each run's time per entry so the ratio can be printed at the end.
class RecordingReporter : public benchmark::ConsoleReporter {
  public:
    // Plain text: the numbers end up in build logs.
    RecordingReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.iterations > 0) {
                perEntryUs[run.benchmark_name()] =
                    run.real_accumulated_time * 1e6 / static_cast<double>(run.iterations);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> perEntryUs;
};

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    // Run names carry their arguments: "BM_AddLog/1000/iterations:2000".
    const auto perEntry = [&reporter](const std::string& prefix) {
        for (const auto& [run, us] : reporter.perEntryUs) {
            if (run.rfind(prefix, 0) == 0) {
                return us;
            }
        }
        return 0.0;
    };
    bool within = true;
    for (const std::string name : {"BM_AddLog", "BM_AddLogAndYield"}) {
        const double small = perEntry(name + "/1000/");
        const double large = perEntry(name + "/100000/");
        if (small <= 0 || large <= 0) {
            continue;
        }
        const double ratio = large / small;
        std::printf("%s: %.2f us per entry at 1,000 entries, %.2f us at 100,000, ratio %.2f\n",
                    name.c_str(), small, large, ratio);
        if (name == "BM_AddLog") {
            within = ratio < 2.0;
        }
    }
    return within ? 0 : 1;
}

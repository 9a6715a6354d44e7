// A 20-point START run (Zig-Zag, CCDSoft) on the simulated observatory in virtual time.
//   cpu_ms_per_point      CPU time of the whole run per point; the goal is under 5 ms.
//   overhead_s_per_point  virtual time per point beyond exposure and download, slew and settle,
//                         the delay, the Gemini exchange's fixed waits and the time spent inside
//                         the programs' own calls (plate solving): what the polling adds.
//                         The goal is no more than one poll step, 0.5 s.
// And a 200-point Map Points TEST run over a list of 40 points (wrapped), with the model window's
// view of the run rebuilt at every point, as the window follows a run:
//   overhead_growth       CPU time per point of the last 20 points over that of the first 20:
//                         a night-long run must not slow down as its record, log and charts
//                         grow. The goal is 1.2 at most.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "commands/start_stop_test.h"
#include "model/station.h"
#include "run/model_view.h"
#include "sim/observatory.h"
#include "station/texts.h"
#include "unattended_operator.h"

namespace {

constexpr int kPoints = 20;

// Virtual time; while `busy` says the mount is still moving, a sleep advances in 10 ms steps so
// the moment the mount settles is known to that precision.
class BenchClock : public kov::Clock {
  public:
    void sleep(std::uint32_t ms) override {
        if (busy && busy()) {
            while (ms > 0 && busy()) {
                const std::uint32_t step = std::min<std::uint32_t>(10, ms);
                nowMs_ += step;
                busyMs += step;
                ms -= step;
            }
        }
        nowMs_ += ms;
    }
    std::uint32_t ticks() const override { return static_cast<std::uint32_t>(nowMs_); }
    kov::TimeOfDay timeOfDay() const override {
        const std::uint64_t s = (nowMs_ / 1000) % 86400;
        return {static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60),
                static_cast<int>(s % 60)};
    }
    double epochSeconds() const override {
        return 1796515200.0 + static_cast<double>(nowMs_) / 1000.0;
    }
    std::uint64_t nowMs() const { return nowMs_; }

    std::function<bool()> busy;
    std::uint64_t busyMs = 0;

  private:
    std::uint64_t nowMs_ = 21 * 3600 * 1000ULL + 5 * 60 * 1000;
};

struct RunFigures {
    double cpuMs = 0.0;
    double overheadS = 0.0;
    int points = 0;
};

RunFigures OneRun(bool bMeasureSlews) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "kov_run_bench";
    std::filesystem::create_directories(folder);
    BenchClock clock;
    kov::sim::Observatory sim(kov::sim::DefaultScenario(), clock);
    sim.setWorkingDirectory(folder);
    kov::bench::Unattended ui;
    kov::Station st(ui, clock, sim.factory(), sim.desktop());
    st.settings.NumberOfAligns.set(std::to_string(kPoints));
    st.settings.PixelScale.set(kov::GeneralNumber(sim.scenario().pixelScale));
    if (bMeasureSlews) {
        clock.busy = [&sim] { return sim.slewing(); };
    }

    const std::uint64_t started = clock.nowMs();
    const std::clock_t cpuStarted = std::clock();
    kov::Command1Click(st);
    RunFigures f;
    f.cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStarted) / CLOCKS_PER_SEC;
    const kov::RunRecord& r = st.record.get();
    f.points = static_cast<int>(r.points.size());

    // The time the work itself takes, as the simulator's camera and mount spend it.
    const auto& sc = sim.scenario();
    const double bin = st.settings.BinMode() + 1.0;
    const double download = sc.downloadSeconds / std::max(1.0, bin * bin);
    const double perImage = (kov::LeadingNumber(st.settings.Exposure()) + download) *
                            (st.settings.bAutoDark() == kov::CheckState::Checked ? 2.0 : 1.0);
    const double images = sim.lightImagesTaken() * perImage;
    const double delays = (f.points - 1) * kov::LeadingNumber(st.settings.Delay());
    const double geminiWaits = (1 + r.pointsSent()) * 1.5;  // three half seconds per exchange
    const double elapsed = static_cast<double>(clock.nowMs() - started) / 1000.0;
    // Plate solving and the serial round trips block inside the simulated programs' calls.
    const double insideCalls = sim.blockedSeconds();
    f.overheadS =
        (elapsed - images - delays - geminiWaits - clock.busyMs / 1000.0 - insideCalls) / f.points;
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return f;
}

void BM_StartRun20Points(benchmark::State& state) {
    double cpuMs = 0.0;
    int runs = 0;
    for (auto _ : state) {
        const RunFigures f = OneRun(false);
        cpuMs += f.cpuMs / f.points;
        ++runs;
    }
    const RunFigures measured = OneRun(true);
    state.counters["cpu_ms_per_point"] = cpuMs / runs;
    state.counters["overhead_s_per_point"] = measured.overheadS;
    std::printf("cpu_ms_per_point=%.3f overhead_s_per_point=%.3f (%d points)\n", cpuMs / runs,
                measured.overheadS, measured.points);
}
BENCHMARK(BM_StartRun20Points)->Unit(benchmark::kMillisecond)->Iterations(5);

// CPU time per point of the last 20 points over the first 20 of a 200-point Map Points run.
double OverheadGrowth() {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "kov_run_bench_growth";
    std::filesystem::create_directories(folder);
    BenchClock clock;
    kov::sim::Observatory sim(kov::sim::DefaultScenario(), clock);
    sim.setWorkingDirectory(folder);
    kov::bench::Unattended ui;
    kov::Station st(ui, clock, sim.factory(), sim.desktop());
    std::vector<kov::MappingPoint> list;
    for (int i = 0; i < 40; ++i) {
        // Four rings of ten points, 40 to 70 degrees high, all round the sky.
        list.push_back({std::to_string(40 + 10 * (i / 10)), std::to_string(i % 10 * 36 + 5)});
    }
    st.points.replace(list);
    st.settings.bZigZag.set(false);
    st.settings.NumberOfAligns.set("200");
    st.settings.Delay.set("0");
    st.settings.PixelScale.set(kov::GeneralNumber(sim.scenario().pixelScale));
    std::vector<double> cpuAtPoint;
    std::size_t viewed = 0;
    // The window gathers the record's changes and draws them once (150 ms later, while a point
    // takes tens of seconds): one rebuild of its view a point.
    st.record.observe([&](const kov::RunRecord& r, kov::RecordChange change, std::size_t) {
        if (change == kov::RecordChange::PointAdded) {
            viewed += kov::BuildModelView(r).points.size();
            cpuAtPoint.push_back(static_cast<double>(std::clock()));
        }
    });
    // A TEST run: the simulated controller refits its model from every alignment point at each
    // one sent, work that grows with the night but is the controller's own; a TEST run sends
    // nothing, so what grows here is ours alone.
    kov::TestItClick(st);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    const std::size_t n = cpuAtPoint.size();
    if (n < 42 || viewed == 0) {
        std::printf("overhead_growth: the run took only %zu points\n", n);
        return 0.0;
    }
    const double first = (cpuAtPoint[20] - cpuAtPoint[0]) / 20.0;
    const double last = (cpuAtPoint[n - 1] - cpuAtPoint[n - 21]) / 20.0;
    std::printf("overhead_growth=%.3f (%zu points, first 20: %.3f ms, last 20: %.3f ms a point)\n",
                last / first, n, 1000.0 * first / CLOCKS_PER_SEC, 1000.0 * last / CLOCKS_PER_SEC);
    return last / first;
}

void BM_MapPointsRun200Points(benchmark::State& state) {
    double growth = 0.0;
    for (auto _ : state) {
        growth = OverheadGrowth();
    }
    state.counters["overhead_growth"] = growth;
}
BENCHMARK(BM_MapPointsRun200Points)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

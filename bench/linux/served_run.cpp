// A 10-point START on the Linux path in real time: the mount on the Linux roles over UDP to the
// simulated Gemini served on a socket of its own, the camera rendering the real sky (Tycho-2) and
// astrometry.net solving every frame. Prints the wall time per point and how it divides:
//   exposure, download   what the camera spends (the night's settings and scenario)
//   slew, settle         the run waiting while the mount moves and settles after each slew
//   solve                inside the image link and the image's plate solution: rendering the
//                        frame, writing it and solve-field
//   delay, gemini waits  the run's Delay before each point and the Gemini exchange's fixed waits
//   our overhead         the rest: polling beyond the work, link round trips, our own computing
// Then checks the run against the same START on the in-process simulator (virtual time): the
// log's entries equal in their texts and order (numbers masked), the same points sent, the
// terms within 30" of the night's true MA and ME. Exit 1 when a check fails, 2 when the real
// solver is missing.
//
//   build/default/bench/served_run_bench [POINTS]     (default 10; about half a minute a point)

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "../unattended_operator.h"
#include "commands/start_stop_test.h"
#include "linux/gemini_server.h"
#include "linux/linux_object_factory.h"
#include "linux/wall_clock.h"
#include "model/station.h"
#include "run/run_trace.h"
#include "sim/gemini_wire.h"
#include "sim/observatory.h"
#include "sim/scenario.h"
#include "station/texts.h"

namespace {

using Seconds = std::chrono::duration<double>;
using Steady = std::chrono::steady_clock;

double Since(Steady::time_point start) {
    return Seconds(Steady::now() - start).count();
}

// Virtual time for the in-process run.
class VirtualClock : public kov::Clock {
  public:
    void sleep(std::uint32_t ms) override { nowMs_ += ms; }
    std::uint32_t ticks() const override { return static_cast<std::uint32_t>(nowMs_); }
    kov::TimeOfDay timeOfDay() const override {
        const std::uint64_t s = (nowMs_ / 1000) % 86400;
        return {static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60),
                static_cast<int>(s % 60)};
    }
    double epochSeconds() const override { return 1796591103.0 + nowMs_ / 1000.0; }

  private:
    std::uint64_t nowMs_ = 21 * 3600 * 1000ULL + 5 * 60 * 1000;
};

// Real time for the run, sorting each of its waits by whether the mount was moving then.
class MeasuringClock : public kov::gemini::WallClock {
  public:
    void sleep(std::uint32_t ms) override {
        const bool moving = mountMoving && mountMoving();
        const auto start = Steady::now();
        WallClock::sleep(ms);
        (moving ? slewWaits : otherWaits) += Since(start);
    }
    std::function<bool()> mountMoving;
    double slewWaits = 0.0;
    double otherWaits = 0.0;
};

// The served controller's night, shared by its thread and the run's camera: every call on a
// simulated object holds the server's lock, and the time spent inside is counted.
template <class T>
class Guard {
  public:
    Guard(std::shared_ptr<T> inner, std::mutex& m, double& spent)
        : inner_(std::move(inner)), m_(m), spent_(spent) {}

  protected:
    template <class F>
    auto locked(F f) {
        std::lock_guard lock(m_);
        const auto start = Steady::now();
        struct Count {
            double& spent;
            Steady::time_point start;
            ~Count() { spent += Since(start); }
        } count{spent_, start};
        return f(*inner_);
    }

  private:
    std::shared_ptr<T> inner_;
    std::mutex& m_;
    double& spent_;
};

#define KOV_PASS(name)                     \
    void name() override {                 \
        locked([](auto& o) { o.name(); }); \
    }
#define KOV_SET(name, type)                  \
    void name(type v) override {             \
        locked([&](auto& o) { o.name(v); }); \
    }
#define KOV_GET(name, type)                              \
    type name() override {                               \
        return locked([](auto& o) { return o.name(); }); \
    }

class GuardedCamera : public kov::CcdCamera, Guard<kov::CcdCamera> {
  public:
    using Guard::Guard;
    KOV_PASS(Connect)
    KOV_PASS(Disconnect)
    KOV_SET(SetExposureTime, double)
    KOV_SET(SetBinX, double)
    KOV_SET(SetBinY, double)
    KOV_SET(SetImageReduction, int)
    KOV_SET(SetSeries, int)
    KOV_SET(SetDelay, int)
    KOV_GET(AutoSaveOn, bool)
    KOV_SET(SetAutoSaveOn, bool)
    KOV_SET(SetAsynchronous, bool)
    KOV_PASS(TakeImage)
    KOV_GET(State, int)
    KOV_GET(Status, std::string)
    KOV_PASS(Abort)
    KOV_SET(SetAutoSaveFileFormat, int)
};

class GuardedImage : public kov::CcdImage, Guard<kov::CcdImage> {
  public:
    using Guard::Guard;
    KOV_PASS(AttachToActiveImager)
    KOV_GET(ScaleInArcsecondsPerPixel, double)
    KOV_SET(SetScaleInArcsecondsPerPixel, double)
    KOV_GET(Path, std::string)
    KOV_SET(SetPath, const std::string&)
    KOV_PASS(Save)
    KOV_SET(InsertWCS, int)
    long WCSArrayUpperBound(int v) override {
        return locked([&](auto& o) { return o.WCSArrayUpperBound(v); });
    }
    KOV_GET(NorthAngle, double)
};

class GuardedPlanetarium : public kov::SkyPlanetarium, Guard<kov::SkyPlanetarium> {
  public:
    using Guard::Guard;
    KOV_PASS(Connect)
    KOV_PASS(Disconnect)
    KOV_PASS(DisconnectTelescope)
    void ImageLink(double s, double r, double d) override {
        locked([&](auto& o) { o.ImageLink(s, r, d); });
    }
    KOV_SET(GetObjectRaDec, const std::string&)
    KOV_GET(dObjectRa, double)
    KOV_GET(dObjectDec, double)
};

#undef KOV_PASS
#undef KOV_SET
#undef KOV_GET

// The mount on the Linux roles over the wire; the camera, its image and the planetarium are the
// simulated observatory's, behind the server's lock.
class WireMountFactory : public kov::ObjectFactory {
  public:
    WireMountFactory(const kov::gemini::LinuxObservatoryConfig& config, kov::sim::Observatory& sim,
                     std::mutex& m)
        : linux_(config), sim_(sim.factory()), m_(m) {}
    std::shared_ptr<kov::AscomTelescope> createAscomTelescope(const std::string& id) override {
        return linux_.createAscomTelescope(id);
    }
    std::shared_ptr<kov::SkyTelescope> createSkyTelescope(const std::string& id) override {
        return linux_.createSkyTelescope(id);
    }
    std::shared_ptr<kov::DriverUtil> createDriverUtil(const std::string& id) override {
        return linux_.createDriverUtil(id);
    }
    std::shared_ptr<kov::DriverChooser> createChooser(const std::string& id) override {
        return linux_.createChooser(id);
    }
    std::shared_ptr<kov::SkyPlanetarium> createPlanetarium(const std::string& id) override {
        return std::make_shared<GuardedPlanetarium>(make(&ObjectFactory::createPlanetarium, id), m_,
                                                    solveSeconds);
    }
    std::shared_ptr<kov::CcdCamera> createCcdCamera(const std::string& id) override {
        return std::make_shared<GuardedCamera>(make(&ObjectFactory::createCcdCamera, id), m_,
                                               cameraSeconds);
    }
    std::shared_ptr<kov::CcdImage> createCcdImage(const std::string& id) override {
        return std::make_shared<GuardedImage>(make(&ObjectFactory::createCcdImage, id), m_,
                                              solveSeconds);
    }
    std::shared_ptr<kov::MaximApplication> createMaximApplication(const std::string& id) override {
        return linux_.createMaximApplication(id);
    }

    double solveSeconds = 0.0;
    double cameraSeconds = 0.0;

  private:
    template <class R>
    R make(R (ObjectFactory::*create)(const std::string&), const std::string& id) {
        std::lock_guard lock(m_);
        return (sim_.*create)(id);
    }
    kov::gemini::LinuxObjectFactory linux_;
    kov::ObjectFactory& sim_;
    std::mutex& m_;
};

class NoWindows : public kov::Desktop {
  public:
    std::vector<kov::TopLevelWindow> topLevelWindows() override { return {}; }
    void setForegroundWindow(kov::WindowHandle) override {}
    kov::WindowHandle foregroundWindow() override { return 0; }
    void keyDown(int) override {}
    void keyUp(int) override {}
};

struct Folder {
    explicit Folder(const char* name)
        : path(std::filesystem::temp_directory_path() /
               (std::string(name) + "-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path);
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};

void Prepare(kov::Station& st, const kov::sim::Scenario& night, int points) {
    st.settings.NumberOfAligns.set(std::to_string(points));
    st.settings.PixelScale.set(kov::GeneralNumber(night.pixelScale));
}

std::vector<std::string> MaskedEntries(const std::string& log) {
    std::vector<std::string> entries = kov::test::LogEntries(log);
    for (std::string& e : entries) {
        e = kov::test::Masked(e);
    }
    return entries;
}

}  // namespace

int main(int argc, char* argv[]) {
    const int points = argc > 1 ? std::max(2, std::atoi(argv[1])) : 10;
    kov::sim::Scenario night = kov::sim::BuiltInNight();
    if (night.solver != "astrometry") {
        std::printf(
            "served_run: astrometry.net or the Tycho-2 catalogue is missing; "
            "tools/install-deps.sh installs them\n");
        return 2;
    }

    // The same night in process, on virtual time: the log the served run must match.
    Folder localFolder("kov-served-run-local");
    VirtualClock virtualClock;
    kov::sim::Observatory local(night, virtualClock);
    local.setWorkingDirectory(localFolder.path);
    kov::bench::Unattended localUi;
    NoWindows noWindows;
    kov::Station localSt(localUi, virtualClock, local.factory(), noWindows);
    Prepare(localSt, night, points);
    kov::Command1Click(localSt);

    // The served run, in real time.
    Folder servedFolder("kov-served-run");
    kov::gemini::WallClock serverClock;
    kov::sim::Observatory served(night, serverClock);
    served.setWorkingDirectory(servedFolder.path);
    kov::sim::GeminiWire wire(served);
    kov::gemini::GeminiServer server("udp:127.0.0.1:0",
                                     [&wire](const std::string& c) { return wire.answer(c); });
    kov::gemini::LinuxObservatoryConfig config;
    config.gemini = server.address();
    WireMountFactory objects(config, served, server.mutex());
    MeasuringClock clock;
    clock.mountMoving = [&] {
        std::lock_guard lock(server.mutex());
        return served.slewing();
    };
    kov::bench::Unattended ui;
    kov::Station st(ui, clock, objects, noWindows);
    Prepare(st, night, points);
    std::vector<double> pointEnds;
    const auto started = Steady::now();
    st.record.observe([&](const kov::RunRecord&, kov::RecordChange change, std::size_t) {
        if (change == kov::RecordChange::PointAdded) {
            pointEnds.push_back(Since(started));
        }
    });
    kov::Command1Click(st);
    const double wall = Since(started);

    // How the wall time divides.
    const kov::RunRecord& r = st.record.get();
    const int taken = std::max<int>(1, static_cast<int>(r.points.size()));
    const double bin = st.settings.BinMode() + 1.0;
    const int images = [&] {
        std::lock_guard lock(server.mutex());
        return served.lightImagesTaken();
    }() * (st.settings.bAutoDark() == kov::CheckState::Checked ? 2 : 1);
    const double exposure = images * kov::LeadingNumber(st.settings.Exposure());
    const double download = images * night.downloadSeconds / (bin * bin);
    const auto received = server.received();
    const long slews = std::count(received.begin(), received.end(), ":MS#") +
                       std::count(received.begin(), received.end(), ":MA#");
    const double settle = std::min(clock.slewWaits, slews * night.settleSeconds);
    const double delay = (taken - 1) * kov::LeadingNumber(st.settings.Delay());
    const double geminiWaits = (1 + r.pointsSent()) * 1.5;
    const double overhead =
        wall - clock.slewWaits - objects.solveSeconds - exposure - download - delay - geminiWaits;
    std::printf("served_run: %d points over %s in %.1f s, %.1f s a point; each point ended at",
                taken, server.address().c_str(), wall, wall / taken);
    for (const double t : pointEnds) {
        std::printf(" %.1f", t);
    }
    std::printf(
        " s\n  a point: exposure %.1f s, download %.1f s, slew %.1f s, settle %.1f s, "
        "solve %.1f s, delay %.1f s, gemini waits %.1f s, our overhead %.2f s\n"
        "  (%zu commands on the wire, %ld slews; %.2f s a point inside the camera's "
        "calls, counted in the download and the overhead)\n",
        exposure / taken, download / taken, (clock.slewWaits - settle) / taken, settle / taken,
        objects.solveSeconds / taken, delay / taken, geminiWaits / taken, overhead / taken,
        received.size(), slews, objects.cameraSeconds / taken);

    // The checks.
    int failures = 0;
    const auto check = [&failures](bool ok, const std::string& what) {
        std::printf("  %s %s\n", ok ? "ok:  " : "FAIL:", what.c_str());
        failures += ok ? 0 : 1;
    };
    const kov::RunRecord& l = localSt.record.get();
    check(r.ending == kov::RunEnding::Completed && r.pointsSent() == points,
          std::string("the served run ") + kov::RunEndingName(r.ending) + ", " +
              std::to_string(r.pointsSent()) + " points sent");
    const std::vector<std::string> wireLog = MaskedEntries(st.log.text());
    const std::vector<std::string> localLog = MaskedEntries(localSt.log.text());
    std::size_t same = 0;
    while (same < wireLog.size() && same < localLog.size() && wireLog[same] == localLog[same]) {
        ++same;
    }
    check(wireLog == localLog,
          "log of " + std::to_string(wireLog.size()) + " entries against the in-process run's " +
              std::to_string(localLog.size()) +
              (wireLog == localLog ? ": the same texts in the same order"
                                   : ": first difference at entry " + std::to_string(same) + ": '" +
                                         (same < wireLog.size() ? wireLog[same] : "") + "' / '" +
                                         (same < localLog.size() ? localLog[same] : "") + "'"));
    for (const auto* run : {&r, &l}) {
        const char* which = run == &r ? "served" : "in-process";
        if (!run->endTerms) {
            check(false, std::string(which) + " run read no terms");
            continue;
        }
        const double ma = run->endTerms->a * 60.0;
        const double me = run->endTerms->e * 60.0;
        char text[160];
        std::snprintf(text, sizeof text,
                      "%s run's terms MA %.0f\" ME %.0f\" against the true %.0f\" %.0f\"", which,
                      ma, me, night.mountErrors.MA, night.mountErrors.ME);
        check(std::fabs(ma - night.mountErrors.MA) <= 30.0 &&
                  std::fabs(me - night.mountErrors.ME) <= 30.0,
              text);
    }
    return failures == 0 ? 0 : 1;
}

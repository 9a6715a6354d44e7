// A whole 10-point START with the mount on the Linux roles over a real UDP link to the served
// simulated Gemini, against the same START on the in-process simulator: the same log, the same
// points sent, terms as close to the truth. The cameras and their solver are the simulated
// observatory's own, guarded so that the server's thread and the run never touch the night at
// once; time is virtual and shared by both threads.

#include <gtest/gtest.h>

#include <atomic>

#include "linux/linux_object_factory.h"
#include "linux/served_gemini.h"
#include "run/run_commands.h"
#include "run/run_trace.h"
#include "sim/gemini_wire.h"
#include "station/texts.h"
#include "support/test_station.h"

namespace kov::gemini {
namespace {

// Virtual time that two threads may read and one may move on.
class SharedVirtualClock : public Clock {
  public:
    void sleep(std::uint32_t ms) override { nowMs_ += ms; }
    std::uint32_t ticks() const override { return static_cast<std::uint32_t>(nowMs_.load()); }
    TimeOfDay timeOfDay() const override {
        const std::uint64_t s = (nowMs_ / 1000) % 86400;
        return {static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60),
                static_cast<int>(s % 60)};
    }
    double epochSeconds() const override { return 1796515200.0 + nowMs_.load() / 1000.0; }

  private:
    std::atomic<std::uint64_t> nowMs_{21 * 3600 * 1000ULL + 5 * 60 * 1000 + 3000};
};

// Every call on a simulated object holds the served controller's lock.
template <class T>
class Guard {
  public:
    Guard(std::shared_ptr<T> inner, std::mutex& m) : inner_(std::move(inner)), m_(m) {}
    template <class F>
    auto locked(F f) {
        std::lock_guard lock(m_);
        return f(*inner_);
    }
    std::shared_ptr<T> inner_;
    std::mutex& m_;
};

class GuardedCamera : public CcdCamera, Guard<CcdCamera> {
  public:
    using Guard::Guard;
    void Connect() override {
        locked([](auto& c) { c.Connect(); });
    }
    void Disconnect() override {
        locked([](auto& c) { c.Disconnect(); });
    }
    void SetExposureTime(double v) override {
        locked([&](auto& c) { c.SetExposureTime(v); });
    }
    void SetBinX(double v) override {
        locked([&](auto& c) { c.SetBinX(v); });
    }
    void SetBinY(double v) override {
        locked([&](auto& c) { c.SetBinY(v); });
    }
    void SetImageReduction(int v) override {
        locked([&](auto& c) { c.SetImageReduction(v); });
    }
    void SetSeries(int v) override {
        locked([&](auto& c) { c.SetSeries(v); });
    }
    void SetDelay(int v) override {
        locked([&](auto& c) { c.SetDelay(v); });
    }
    bool AutoSaveOn() override {
        return locked([](auto& c) { return c.AutoSaveOn(); });
    }
    void SetAutoSaveOn(bool v) override {
        locked([&](auto& c) { c.SetAutoSaveOn(v); });
    }
    void SetAsynchronous(bool v) override {
        locked([&](auto& c) { c.SetAsynchronous(v); });
    }
    void TakeImage() override {
        locked([](auto& c) { c.TakeImage(); });
    }
    int State() override {
        return locked([](auto& c) { return c.State(); });
    }
    std::string Status() override {
        return locked([](auto& c) { return c.Status(); });
    }
    void Abort() override {
        locked([](auto& c) { c.Abort(); });
    }
    void SetAutoSaveFileFormat(int v) override {
        locked([&](auto& c) { c.SetAutoSaveFileFormat(v); });
    }
};

class GuardedImage : public CcdImage, Guard<CcdImage> {
  public:
    using Guard::Guard;
    void AttachToActiveImager() override {
        locked([](auto& i) { i.AttachToActiveImager(); });
    }
    double ScaleInArcsecondsPerPixel() override {
        return locked([](auto& i) { return i.ScaleInArcsecondsPerPixel(); });
    }
    void SetScaleInArcsecondsPerPixel(double v) override {
        locked([&](auto& i) { i.SetScaleInArcsecondsPerPixel(v); });
    }
    std::string Path() override {
        return locked([](auto& i) { return i.Path(); });
    }
    void SetPath(const std::string& p) override {
        locked([&](auto& i) { i.SetPath(p); });
    }
    void Save() override {
        locked([](auto& i) { i.Save(); });
    }
    void InsertWCS(int v) override {
        locked([&](auto& i) { i.InsertWCS(v); });
    }
    long WCSArrayUpperBound(int v) override {
        return locked([&](auto& i) { return i.WCSArrayUpperBound(v); });
    }
    double NorthAngle() override {
        return locked([](auto& i) { return i.NorthAngle(); });
    }
};

class GuardedPlanetarium : public SkyPlanetarium, Guard<SkyPlanetarium> {
  public:
    using Guard::Guard;
    void Connect() override {
        locked([](auto& p) { p.Connect(); });
    }
    void Disconnect() override {
        locked([](auto& p) { p.Disconnect(); });
    }
    void DisconnectTelescope() override {
        locked([](auto& p) { p.DisconnectTelescope(); });
    }
    void ImageLink(double s, double r, double d) override {
        locked([&](auto& p) { p.ImageLink(s, r, d); });
    }
    void GetObjectRaDec(const std::string& n) override {
        locked([&](auto& p) { p.GetObjectRaDec(n); });
    }
    double dObjectRa() override {
        return locked([](auto& p) { return p.dObjectRa(); });
    }
    double dObjectDec() override {
        return locked([](auto& p) { return p.dObjectDec(); });
    }
};

// The mount on the Linux roles over the wire; everything else the simulated observatory's.
class WireMountFactory : public ObjectFactory {
  public:
    WireMountFactory(test::ServedGemini& gemini, const LinuxObservatoryConfig& config)
        : linux_(config), sim_(gemini.observatory.factory()), m_(gemini.server.mutex()) {}
    std::shared_ptr<AscomTelescope> createAscomTelescope(const std::string& id) override {
        return linux_.createAscomTelescope(id);
    }
    std::shared_ptr<SkyTelescope> createSkyTelescope(const std::string& id) override {
        return linux_.createSkyTelescope(id);
    }
    std::shared_ptr<SkyPlanetarium> createPlanetarium(const std::string& id) override {
        return std::make_shared<GuardedPlanetarium>(make(&ObjectFactory::createPlanetarium, id),
                                                    m_);
    }
    std::shared_ptr<DriverUtil> createDriverUtil(const std::string& id) override {
        return linux_.createDriverUtil(id);
    }
    std::shared_ptr<DriverChooser> createChooser(const std::string& id) override {
        return linux_.createChooser(id);
    }
    std::shared_ptr<CcdCamera> createCcdCamera(const std::string& id) override {
        return std::make_shared<GuardedCamera>(make(&ObjectFactory::createCcdCamera, id), m_);
    }
    std::shared_ptr<CcdImage> createCcdImage(const std::string& id) override {
        return std::make_shared<GuardedImage>(make(&ObjectFactory::createCcdImage, id), m_);
    }
    std::shared_ptr<MaximApplication> createMaximApplication(const std::string& id) override {
        throw CannotCreate(id);
    }

  private:
    template <class R>
    R make(R (ObjectFactory::*create)(const std::string&), const std::string& id) {
        std::lock_guard lock(m_);
        return (sim_.*create)(id);
    }
    LinuxObjectFactory linux_;
    ObjectFactory& sim_;
    std::mutex& m_;
};

TEST(ServedRun, TenPointsOverUdpLogAsTheInProcessRun) {
    const sim::Scenario night = sim::DefaultScenario();

    kov::test::RunStation local(night, 10);
    Command1Click(local.st);
    ASSERT_EQ(local.st.record.get().ending, RunEnding::Completed);

    // The same night, served; the run's own files go to a folder of the test's.
    SharedVirtualClock clock;
    test::ServedGemini gemini("udp:127.0.0.1:0", night, clock);
    gemini.inspect([&](sim::Observatory& o) {
        o.setWorkingDirectory(local.folder);
        return 0;
    });
    LinuxObservatoryConfig config;
    config.gemini = gemini.server.address();
    WireMountFactory objects(gemini, config);
    kov::test::ScriptedOperator ui;
    kov::test::NoDesktop desktop;
    Station st{ui, clock, objects, desktop};
    st.settings.NumberOfAligns.set("10");
    st.settings.PixelScale.set(GeneralNumber(night.pixelScale));
    Command1Click(st);

    const RunRecord& r = st.record.get();
    EXPECT_EQ(r.ending, RunEnding::Completed);
    EXPECT_EQ(r.pointsSent(), 10);
    std::vector<std::string> wire = kov::test::LogEntries(st.log.text());
    std::vector<std::string> here = kov::test::LogEntries(local.st.log.text());
    for (auto* entries : {&wire, &here}) {
        for (std::string& e : *entries) {
            e = kov::test::Masked(e);
        }
    }
    EXPECT_GT(here.size(), 40u);
    EXPECT_EQ(wire, here);

    // The same model as the in-process run's, to the whole seconds the wire carries.
    ASSERT_TRUE(r.endTerms.has_value());
    ASSERT_TRUE(local.st.record.get().endTerms.has_value());
    EXPECT_NEAR(r.endTerms->a, local.st.record.get().endTerms->a, 1.0 / 60.0);
    EXPECT_NEAR(r.endTerms->e, local.st.record.get().endTerms->e, 1.0 / 60.0);
    const sim::PointingTerms served =
        gemini.inspect([](sim::Observatory& o) { return o.controllerModel(); });
    const sim::PointingTerms inProcess = local.sim.controllerModel();
    EXPECT_EQ(gemini.inspect([](sim::Observatory& o) { return o.alignmentPoints(); }),
              local.sim.alignmentPoints());
    EXPECT_NEAR(served.IH, inProcess.IH, 20.0);
    EXPECT_NEAR(served.ID, inProcess.ID, 20.0);
    // Each point reached the controller once, as a datagram.
    const auto received = gemini.server.received();
    const long aligns = std::count(received.begin(), received.end(), ":Cm#") +
                        std::count(received.begin(), received.end(), ":CM#");
    EXPECT_EQ(aligns, 10);
}

}  // namespace
}  // namespace kov::gemini

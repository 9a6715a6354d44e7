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
class Guard : public T {
  public:
    Guard(std::shared_ptr<T> inner, std::mutex& m) : inner_(std::move(inner)), m_(m) {}

  protected:
    template <class R, class... P, class... A>
    R call(R (T::*f)(P...), A&&... a) {
        std::lock_guard lock(m_);
        return ((*inner_).*f)(std::forward<A>(a)...);
    }

  private:
    std::shared_ptr<T> inner_;
    std::mutex& m_;
};

class GuardedCamera : public Guard<CcdCamera> {
    using C = CcdCamera;

  public:
    using Guard::Guard;
    void Connect() override { call(&C::Connect); }
    void Disconnect() override { call(&C::Disconnect); }
    void SetExposureTime(double v) override { call(&C::SetExposureTime, v); }
    void SetBinX(double v) override { call(&C::SetBinX, v); }
    void SetBinY(double v) override { call(&C::SetBinY, v); }
    void SetImageReduction(int v) override { call(&C::SetImageReduction, v); }
    void SetSeries(int v) override { call(&C::SetSeries, v); }
    void SetDelay(int v) override { call(&C::SetDelay, v); }
    bool AutoSaveOn() override { return call(&C::AutoSaveOn); }
    void SetAutoSaveOn(bool v) override { call(&C::SetAutoSaveOn, v); }
    void SetAsynchronous(bool v) override { call(&C::SetAsynchronous, v); }
    void TakeImage() override { call(&C::TakeImage); }
    int State() override { return call(&C::State); }
    std::string Status() override { return call(&C::Status); }
    void Abort() override { call(&C::Abort); }
    void SetAutoSaveFileFormat(int v) override { call(&C::SetAutoSaveFileFormat, v); }
};

class GuardedImage : public Guard<CcdImage> {
    using I = CcdImage;

  public:
    using Guard::Guard;
    void AttachToActiveImager() override { call(&I::AttachToActiveImager); }
    double ScaleInArcsecondsPerPixel() override { return call(&I::ScaleInArcsecondsPerPixel); }
    void SetScaleInArcsecondsPerPixel(double v) override {
        call(&I::SetScaleInArcsecondsPerPixel, v);
    }
    std::string Path() override { return call(&I::Path); }
    void SetPath(const std::string& p) override { call(&I::SetPath, p); }
    void Save() override { call(&I::Save); }
    void InsertWCS(int v) override { call(&I::InsertWCS, v); }
    long WCSArrayUpperBound(int v) override { return call(&I::WCSArrayUpperBound, v); }
    double NorthAngle() override { return call(&I::NorthAngle); }
};

class GuardedPlanetarium : public Guard<SkyPlanetarium> {
    using P = SkyPlanetarium;

  public:
    using Guard::Guard;
    void Connect() override { call(&P::Connect); }
    void Disconnect() override { call(&P::Disconnect); }
    void DisconnectTelescope() override { call(&P::DisconnectTelescope); }
    void ImageLink(double s, double r, double d) override { call(&P::ImageLink, s, r, d); }
    void GetObjectRaDec(const std::string& n) override { call(&P::GetObjectRaDec, n); }
    double dObjectRa() override { return call(&P::dObjectRa); }
    double dObjectDec() override { return call(&P::dObjectDec); }
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

// CCDSoft's camera and image roles on INDI's CCD simulator, through indiserver on a free port.

#include "linux/indi_camera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "imaging/expose_ccdsoft.h"
#include "linux/fits_frame.h"
#include "linux/indi_harness.h"
#include "linux/linux_object_factory.h"
#include "linux/wall_clock.h"
#include "station/automation_error.h"
#include "support/raised.h"
#include "support/temp_folder.h"
#include "support/test_station.h"

namespace kov::gemini {
namespace {

using namespace std::chrono_literals;
using test::IndiServer;
using test::WaitFor;

constexpr const char* kDevice = "CCD Simulator";

// Solves nothing: the CCD simulator draws no stars.
class StarlessSolver : public ImageSolver {
  public:
    std::optional<ImageSolution> solve(const std::string& path, const SolveHint&) override {
        paths.push_back(path);
        return std::nullopt;
    }
    std::vector<std::string> paths;
};

class IndiCamera : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!test::OnPath("indiserver") || !test::OnPath("indi_simulator_ccd")) {
            return;
        }
        installed_ = true;
        server_ = std::make_unique<IndiServer>("indi_simulator_ccd");
        const bool up = WaitFor(
            [] { return !server_->get(std::string(kDevice) + ".CONNECTION.*").empty(); }, 20s);
        if (!up) {
            server_.reset();
        }
    }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override {
        if (!installed_) {
            GTEST_SKIP() << "INDI is not installed (Debian: indi-bin); the camera checks need it";
        }
        // Installed but not answering is a fault, not a reason to skip.
        ASSERT_TRUE(server_) << "indiserver with indi_simulator_ccd did not show the camera "
                                "within 20 s";
    }

    LinuxObservatoryConfig config() const {
        LinuxObservatoryConfig c;
        c.gemini = "udp:127.0.0.1:9";  // no mount: the solver gets no hint
        c.link.readTimeout = 50ms;
        c.link.readAttempts = 1;
        c.camera.host = "127.0.0.1";
        c.camera.port = server_->port();
        c.camera.device = kDevice;
        c.camera.connectTimeout = 3s;
        c.camera.downloadLimit = 10s;
        c.solver = solver_;
        return c;
    }

    static bool FrameIn(CcdCamera& camera, std::chrono::milliseconds limit) {
        return WaitFor([&] { return camera.State() == 0; }, limit);
    }
    static std::optional<FitsShape> ShapeOf(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return ReadFitsShape({std::istreambuf_iterator<char>(in), {}});
    }

    static inline bool installed_ = false;
    static std::unique_ptr<IndiServer> server_;
    kov::test::TempFolder folder_;
    std::shared_ptr<StarlessSolver> solver_ = std::make_shared<StarlessSolver>();
};

std::unique_ptr<IndiServer> IndiCamera::server_;

TEST_F(IndiCamera, FramesArriveAsFitsOfTheirBinnedSize) {
    LinuxObjectFactory objects(config());
    auto camera = objects.createCcdCamera("CCDSoft.Camera");
    camera->Connect();
    // The sensor's size, as its driver tells it once connected.
    const auto info = server_->get(std::string(kDevice) + ".CCD_INFO.*");
    ASSERT_EQ(info.count(std::string(kDevice) + ".CCD_INFO.CCD_MAX_X"), 1u);
    const long width = std::atol(info.at(std::string(kDevice) + ".CCD_INFO.CCD_MAX_X").c_str());
    const long height = std::atol(info.at(std::string(kDevice) + ".CCD_INFO.CCD_MAX_Y").c_str());
    ASSERT_GT(width, 0);
    EXPECT_TRUE(std::isfinite(static_cast<IndiCcdCamera&>(*camera).Temperature()));

    const struct {
        int bin;
        int reduction;
        const char* firstStatus;
    } rows[] = {{2, 0, "Exposing light frame"},
                {1, 0, "Exposing light frame"},
                {2, 1, "Exposing dark frame"}};
    for (const auto& row : rows) {
        camera->SetExposureTime(1.0);
        camera->SetBinX(row.bin);
        camera->SetBinY(row.bin);
        camera->SetImageReduction(row.reduction);
        camera->SetAsynchronous(true);
        const auto started = std::chrono::steady_clock::now();
        camera->TakeImage();
        EXPECT_EQ(camera->Status(), row.firstStatus);
        ASSERT_TRUE(FrameIn(*camera, 15s)) << "bin " << row.bin;
        const double took =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        EXPECT_GE(took, row.reduction ? 2.0 : 1.0);

        auto image = objects.createCcdImage("CCDSoft.Image");
        image->AttachToActiveImager();
        const auto path = folder_.root() / ("frame-" + std::to_string(row.bin) + ".fit");
        image->SetPath(path.string());
        image->Save();
        const auto shape = ShapeOf(path);
        ASSERT_TRUE(shape) << path;
        EXPECT_EQ(shape->width, width / row.bin);
        EXPECT_EQ(shape->height, height / row.bin);
        EXPECT_EQ(objects.imageLink()->path, path.string());
    }
}

TEST_F(IndiCamera, AnAbortEndsTheExposure) {
    LinuxObjectFactory objects(config());
    auto camera = objects.createCcdCamera("CCDSoft.Camera");
    camera->Connect();
    camera->SetAsynchronous(true);
    camera->SetImageReduction(0);
    camera->SetExposureTime(30.0);
    camera->TakeImage();
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(camera->State(), 1);
    camera->Abort();
    EXPECT_EQ(camera->State(), 0);
    EXPECT_EQ(camera->Status(), "Ready");
    EXPECT_THROW(objects.createCcdImage("CCDSoft.Image")->AttachToActiveImager(), AutomationError);
    // The camera is free at once: a short exposure after the abort comes in its own time.
    camera->SetExposureTime(0.5);
    camera->TakeImage();
    EXPECT_TRUE(FrameIn(*camera, 5s));
}

TEST_F(IndiCamera, AMissingServerOrCameraSaysWhich) {
    const struct {
        bool otherPort;
        const char* device;
        const char* says;
    } rows[] = {
        {true, kDevice, "Cannot reach the INDI server at 127.0.0.1:"},
        {false, "No Such Camera",
         "has no camera named \"No Such Camera\" (it offers: CCD Simulator"},
    };
    for (const auto& row : rows) {
        LinuxObservatoryConfig c = config();
        c.camera.device = row.device;
        c.camera.connectTimeout = 1s;
        if (row.otherPort) {
            c.camera.port = test::FreePort();
        }
        LinuxObjectFactory objects(c);
        const AutomationError e =
            kov::test::Raised([&] { objects.createCcdCamera("CCDSoft.Camera")->Connect(); });
        EXPECT_EQ(e.number(), kErrCameraLink);
        EXPECT_NE(e.description().find(row.says), std::string::npos) << e.description();
    }
}

// The described exposure on the INDI camera: the frame saved where the procedure names it, and
// the starless frame's failed solution left as the current error for the caller.
TEST_F(IndiCamera, TheDescribedExposureRunsAndAStarlessFrameFailsToSolve) {
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(folder_.root());
    LinuxObjectFactory objects(config());
    kov::test::ScriptedOperator ui;
    // Real time: a real camera takes its seconds, and the procedure's bound on the wait counts
    // the clock's time, not its polls.
    WallClock clock;
    kov::test::NoDesktop desktop;
    Station st{ui, clock, objects, desktop};
    st.settings.Exposure = "1";
    st.settings.bAutoDark = CheckState::Unchecked;
    st.devices.ccdCamera = objects.createCcdCamera("CCDSoft.Camera");
    st.devices.ccdCamera->Connect();
    const bool done = !ExposeCCDSoft(st, true, true).bStopped;
    std::filesystem::current_path(here);
    EXPECT_TRUE(done);
    ASSERT_EQ(solver_->paths.size(), 1u);
    EXPECT_EQ(solver_->paths[0], (folder_.root() / "KOV_Imagelink.fit").string());
    EXPECT_TRUE(ShapeOf(folder_.root() / "KOV_Imagelink.fit"));
    EXPECT_EQ(st.error.number, 651);
}

}  // namespace
}  // namespace kov::gemini

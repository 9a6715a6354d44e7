#include "sim/real_sky_solver.h"

#include <cstdio>
#include <string>

#if defined(KOV_HAVE_SKY)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "sim/sim_errors.h"
#include "sky/astrometry_solver.h"
#include "sky/fits_image.h"
#include "sky/star_field.h"
#endif

namespace kov::sim {

namespace {

void SayOnce(const std::string& why) {
    static bool said = false;
    if (!said) {
        said = true;
        std::fprintf(stderr, "Simulated observatory: %s The statistical plate solver stands in.\n",
                     why.c_str());
    }
}

}  // namespace

#if !defined(KOV_HAVE_SKY)

std::optional<Solution> SolveOnRealSky(SimWorld& world, const ImageRecord&, const SolveHints&) {
    if (world.scenario.solver == "astrometry") {
        SayOnce("this build has no real sky (it was built without CFITSIO).");
    }
    return std::nullopt;
}

std::optional<std::string> RealSkyFrameBytes(SimWorld&, const ImageRecord&,
                                             const std::optional<Solution>&) {
    return std::nullopt;
}

#else

namespace {

// A whole search when nothing matches ends here; a good one takes one or two seconds.
constexpr auto kSolveLimit = std::chrono::seconds(30);
constexpr double kSearchRadiusDegrees = 5.0;
// The air's dimming, magnitudes per air mass beyond the first.
constexpr double kExtinction = 0.2;
// What a thick cloud lets through.
constexpr double kCloudTransmission = 0.02;

// The catalogue and the solver, once per process; empty with the reason when either is missing.
const std::string& Missing() {
    static const std::string why = [] {
        const std::string solver = sky::AstrometrySolver().missing();
        if (!solver.empty()) {
            return solver;
        }
        try {
            sky::StarCatalogue::Shared();
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
        return std::string();
    }();
    return why;
}

double Transmission(const SimWorld& world, const ImageRecord& image) {
    const Scenario& s = world.scenario;
    const double alt = std::max(image.trueAltAz.alt, 1.0);
    double clear = std::pow(10.0, -0.4 * kExtinction * (1.0 / std::sin(alt * kDegToRad) - 1.0));
    for (const Cloud& cloud : s.clouds) {
        if (SeparationDegrees(image.trueAltAz, world.cloudAt(cloud)) <= cloud.radius) {
            clear *= kCloudTransmission;
        }
    }
    // The scenario's failing frames and regions hold no stars the solver can use.
    if (std::find(s.failImages.begin(), s.failImages.end(), image.number) != s.failImages.end()) {
        clear = 0.0;
    }
    for (const SkyRegion& region : s.failRegions) {
        if (SeparationDegrees(HaDec{image.trueRa, image.trueDec}, HaDec{region.ra, region.dec}) <=
            region.radius) {
            clear = 0.0;
        }
    }
    return image.trueAltAz.alt < 0.0 ? 0.0 : clear;
}

// A file in the system's temporary folder, removed at the end of its scope.
class TemporaryFrame {
  public:
    TemporaryFrame()
        : path_(std::filesystem::temp_directory_path() /
                ("kov-sim-frame-" + std::to_string(std::random_device{}()) + ".fits")) {}
    ~TemporaryFrame() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    TemporaryFrame(const TemporaryFrame&) = delete;
    TemporaryFrame& operator=(const TemporaryFrame&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

sky::CameraModel Camera(const Scenario& s) {
    sky::CameraModel camera;
    camera.width = s.sensorWidth;
    camera.height = s.sensorHeight;
    camera.pixelScale = s.pixelScale;
    return camera;
}

// The frame as the optics truly pointed when it was taken.
sky::Exposure ExposureOf(const SimWorld& world, const ImageRecord& image) {
    const Scenario& s = world.scenario;
    sky::Exposure e;
    e.ra = image.trueRa * 15.0;
    e.dec = image.trueDec;
    // Over the pole onto the other side of the pier the camera turns with the tube.
    e.northAngle =
        std::fmod(s.cameraRotation + (image.side == PierSide::West ? 180.0 : 0.0) + 720.0, 360.0);
    e.seconds = image.exposure;
    e.binX = std::max(1, static_cast<int>(std::lround(image.binX)));
    e.binY = std::max(1, static_cast<int>(std::lround(image.binY)));
    e.light = image.light;
    // The camera programs reduce the frames they solve; a dark frame keeps its hot pixels.
    e.darkSubtracted = image.light;
    e.transmission = Transmission(world, image);
    e.seed = s.seed * 1000003u + static_cast<std::uint64_t>(image.number) * 7919u +
             static_cast<std::uint64_t>(image.takenAt);
    return e;
}

sky::FrameHeader HeaderOf(const ImageRecord& image, const sky::Exposure& e) {
    sky::FrameHeader header;
    header.exposure = image.exposure;
    header.binX = e.binX;
    header.binY = e.binY;
    header.temperature = image.temperature;
    header.takenAt = image.takenAt;
    header.light = image.light;
    return header;
}

}  // namespace

std::optional<Solution> SolveOnRealSky(SimWorld& world, const ImageRecord& image,
                                       const SolveHints& hints) {
    const Scenario& s = world.scenario;
    if (s.solver != "astrometry") {
        return std::nullopt;
    }
    if (!Missing().empty()) {
        SayOnce(Missing());
        return std::nullopt;
    }

    const sky::CameraModel camera = Camera(s);
    const sky::Exposure e = ExposureOf(world, image);

    TemporaryFrame frame;
    sky::WriteFitsImage(frame.path(), sky::RenderField(sky::StarCatalogue::Shared(), camera, e),
                        HeaderOf(image, e));

    sky::SolveRequest request;
    request.image = frame.path();
    request.scale = hints.scale;
    if (hints.ra && hints.dec) {
        request.ra = *hints.ra * 15.0;
        request.dec = *hints.dec;
        request.radius = kSearchRadiusDegrees;
    }
    request.timeLimit = kSolveLimit;
    const std::uint32_t before = world.clock.ticks();
    const sky::SolveResult result = sky::AstrometrySolver().solve(request);
    // On virtual time the solve still takes its time; on real time it already has.
    const double counted = static_cast<std::uint32_t>(world.clock.ticks() - before) / 1000.0;
    world.pass(std::max(0.0, result.seconds - counted));

    if (result.status == sky::SolveStatus::NotInstalled) {
        SayOnce(result.text);
        return std::nullopt;
    }
    if (!result.solved()) {
        throw AutomationError(kErrSolveFailed, "Image Link failed: " + result.text);
    }
    Solution solution;
    solution.ra = result.ra / 15.0;
    solution.dec = result.dec;
    solution.scale = result.scale;
    solution.northAngle = result.northAngle;
    solution.stars = 0;
    for (const sky::CatalogueStar& star : sky::StarCatalogue::Shared().query(
             e.ra, e.dec,
             0.5 * std::hypot(camera.width, camera.height) * camera.pixelScale / 3600.0)) {
        const sky::PixelPosition at = sky::ProjectToPixel(camera, e, star.ra, star.dec);
        solution.stars += at.x >= 0.5 && at.y >= 0.5 && at.x <= camera.width / e.binX + 0.5 &&
                          at.y <= camera.height / e.binY + 0.5;
    }
    return solution;
}

std::optional<std::string> RealSkyFrameBytes(SimWorld& world, const ImageRecord& image,
                                             const std::optional<Solution>& solution) {
    if (world.scenario.solver != "astrometry" || !Missing().empty()) {
        return std::nullopt;
    }
    const sky::Exposure e = ExposureOf(world, image);
    sky::FrameHeader header = HeaderOf(image, e);
    if (solution) {
        header.solution = sky::FrameSolution{solution->ra * 15.0, solution->dec, solution->scale,
                                             solution->northAngle};
    }
    TemporaryFrame frame;
    sky::WriteFitsImage(frame.path(),
                        sky::RenderField(sky::StarCatalogue::Shared(), Camera(world.scenario), e),
                        header);
    std::ifstream in(frame.path(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#endif

}  // namespace kov::sim

#include "sim/sim_world.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace kov::sim {

std::string UpperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

namespace {

// Separate streams keep the solver's draws from shifting the mount's when a caller reads more
// or fewer solutions.
constexpr std::uint64_t kSolveStream = 0x9E3779B97F4A7C15ULL;

}  // namespace

SimWorld::SimWorld(Scenario s, Clock& c)
    : scenario(std::move(s)),
      clock(c),
      startEpoch(c.epochSeconds()),
      mountRandom(scenario.seed),
      solveRandom(scenario.seed ^ kSolveStream),
      workingDirectory(std::filesystem::current_path()),
      // The night begins with the tube on the usual side for its hour angle.
      mount(scenario.mountErrors,
            AxisPosition{HaDec{scenario.startHourAngle, scenario.startDec},
                         scenario.startHourAngle >= 0.0 ? PierSide::East : PierSide::West},
            LocalSiderealHours(startEpoch, scenario.site.longitude), scenario.slewRate,
            scenario.settleSeconds),
      controller(ControllerSite{scenario.site.latitude, scenario.controllerRefraction,
                                scenario.temperature, scenario.pressure}),
      planetariumTitle(scenario.planetariumWindowTitle),
      foregroundDenied(scenario.foregroundDenied),
      maximDocumentMissing(scenario.maximDocumentMissing) {
    for (const std::string& id : scenario.missingPrograms) {
        missing.insert(UpperCase(id));
    }
}

void SimWorld::guard(const std::string& operation) {
    calls.push_back(operation);
    if (failAtCall && failAtCall->first == calls.size() - 1) {
        const AutomationError error = failAtCall->second;
        failAtCall.reset();
        throw error;
    }
    auto it = injections.find(operation);
    if (it == injections.end() || !it->second.error) {
        return;
    }
    const AutomationError error = *it->second.error;
    if (it->second.remaining > 0 && --it->second.remaining == 0) {
        injections.erase(it);
    }
    throw error;
}

std::optional<std::string> SimWorld::scriptedReply(const std::string& command) {
    auto it = injections.find("gemini:" + command);
    if (it == injections.end()) {
        return std::nullopt;
    }
    const Injection injection = it->second;
    if (it->second.remaining > 0 && --it->second.remaining == 0) {
        injections.erase(it);
    }
    if (injection.error) {
        throw *injection.error;
    }
    return injection.reply;
}

double SimWorld::reading(const std::string& operation, double own) {
    auto it = injections.find("reading:" + operation);
    if (it == injections.end()) {
        return own;
    }
    const double scripted = it->second.reading.value_or(own);
    if (it->second.remaining > 0 && --it->second.remaining == 0) {
        injections.erase(it);
    }
    return scripted;
}

std::filesystem::path SimWorld::resolve(const std::string& path) const {
    std::string generic = path;
#ifndef _WIN32
    std::replace(generic.begin(), generic.end(), '\\', '/');
#endif
    std::filesystem::path p(generic);
    return p.is_absolute() ? p : workingDirectory / p;
}

HaDec SimWorld::trueSky() const {
    return Unrefracted(mount.trueSky(now(), lst()), scenario.site.latitude, scenario.temperature,
                       scenario.pressure);
}

PierSide SimWorld::sideFor(const HaDec& sky) const {
    const double limit = scenario.meridianLimit / 15.0;
    const double ha = WrapSignedHours(sky.ha);
    const PierSide now = axes().side;
    if (now == PierSide::East) {
        return ha >= -limit ? PierSide::East : PierSide::West;
    }
    return ha <= limit ? PierSide::West : PierSide::East;
}

double SimWorld::horizonAt(double az) const {
    const auto& profile = scenario.horizonProfile;
    if (profile.empty()) {
        return scenario.horizon;
    }
    // Straight lines between the profile's points in order of azimuth, round the circle.
    std::vector<AltAz> sorted = profile;
    std::sort(sorted.begin(), sorted.end(),
              [](const AltAz& a, const AltAz& b) { return a.az < b.az; });
    const double a = std::fmod(std::fmod(az, 360.0) + 360.0, 360.0);
    const auto next = std::upper_bound(sorted.begin(), sorted.end(), a,
                                       [](double x, const AltAz& p) { return x < p.az; });
    const bool wraps = next == sorted.begin() || next == sorted.end();
    const AltAz* before = wraps ? &sorted.back() : &*(next - 1);
    const AltAz* after = wraps ? &sorted.front() : &*next;
    const double span = std::fmod(after->az - before->az + 360.0, 360.0);
    const double into = std::fmod(a - before->az + 360.0, 360.0);
    const double height =
        span <= 0.0 ? before->alt : before->alt + (after->alt - before->alt) * (into / span);
    return std::max(scenario.horizon, height);
}

AltAz SimWorld::cloudAt(const Cloud& cloud) const {
    const double hours = (now() - startEpoch) / 3600.0;
    const double az = std::fmod(cloud.az + cloud.driftAz * hours, 360.0);
    return {az < 0.0 ? az + 360.0 : az,
            std::clamp(cloud.alt + cloud.driftAlt * hours, -90.0, 90.0)};
}

void SimWorld::slewController(const HaDec& sky) {
    const Offsets repeatability{mountRandom.normal() * scenario.pointingNoise,
                                mountRandom.normal() * scenario.pointingNoise};
    const PierSide side = sideFor(sky);
    mount.slewTo({controller.axesFor(sky, side), side}, now(), lst(), repeatability);
}

void SimWorld::pass(double seconds) {
    // Whole milliseconds, as the clock counts them, and never a negative wait.
    const double ms = std::ceil(std::max(0.0, seconds) * 1000.0);
    if (ms > 0.0) {
        blockedSeconds += ms / 1000.0;
        clock.sleep(static_cast<std::uint32_t>(std::min(ms, 4.0e9)));
    }
}

std::shared_ptr<ImageRecord> SimWorld::snapshot(bool light, double exposure, double binX,
                                                double binY) {
    auto image = std::make_shared<ImageRecord>();
    image->light = light;
    image->number = light ? ++lightImages : 0;
    image->exposure = exposure;
    image->binX = binX;
    image->binY = binY;
    image->takenAt = now();
    image->temperature = sensorTemperature();
    const HaDec sky = trueSky();
    image->trueRa = WrapHours(lst() - sky.ha);
    image->trueDec = sky.dec;
    image->trueAltAz = ToAltAz(mount.trueSky(now(), lst()), scenario.site.latitude);
    image->side = axes().side;
    if (holder == PortHolder::TheSky) {
        const HaDec reported = reportedSky();
        image->hintRa = WrapHours(lst() - reported.ha);
        image->hintDec = reported.dec;
    }
    return image;
}

double SimWorld::sensorTemperature() const {
    const double hours = (now() - startEpoch) / 3600.0;
    // A slow drift with the ambient air plus the regulator's gentle hunting.
    return scenario.ccdTemperature + scenario.temperatureDrift * hours +
           0.15 * std::sin(2.0 * kPi * hours * 3.0);
}

void SimWorld::updateCameras() {
    const double t = now();
    if (ccd.busy && t >= ccd.doneAt) {
        ccd.busy = false;
        ccd.last = std::move(ccd.pending);
    }
    if (maxim.busy && t >= maxim.doneAt) {
        maxim.busy = false;
        maxim.ready = true;
        maxim.last = std::move(maxim.pending);
    }
}

CensusEntry::CensusEntry(std::shared_ptr<SimWorld> world, std::string kind)
    : world_(std::move(world)), kind_(std::move(kind)) {
    ++world_->alive[kind_];
}

CensusEntry::~CensusEntry() {
    --world_->alive[kind_];
}

}  // namespace kov::sim

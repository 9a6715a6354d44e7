#include "sim/observatory.h"

#include <algorithm>

#include "mount/driver_utils.h"
#include "sim/sim_desktop.h"
#include "sim/sim_devices.h"
#include "sim/sim_world.h"

namespace kov::sim {

namespace {

// The driver utilities keep no state; the census still counts them so leaks show up.
class SimDriverUtil : public LocalDriverUtil {
  public:
    explicit SimDriverUtil(std::shared_ptr<SimWorld> world)
        : census_(std::move(world), "DriverUtil") {}

  private:
    CensusEntry census_;
};

}  // namespace

// Creates objects by identifier, as the automation runtime does. Identifiers match without
// regard to case; an identifier of another kind of object is as unknown as one never installed.
class SimObjectFactory : public ObjectFactory {
  public:
    explicit SimObjectFactory(std::shared_ptr<SimWorld> world) : world_(std::move(world)) {}

    std::shared_ptr<AscomTelescope> createAscomTelescope(const std::string& progId) override {
        const bool isDriver = same(progId, progid::kGemini) || same(progId, w().scenario.driverId);
        check(progId, isDriver);
        return MakeAscomDriver(world_);
    }
    std::shared_ptr<SkyTelescope> createSkyTelescope(const std::string& progId) override {
        check(progId, same(progId, progid::kTele5) || same(progId, progid::kTele6));
        return MakeSkyTelescope(world_);
    }
    std::shared_ptr<SkyPlanetarium> createPlanetarium(const std::string& progId) override {
        check(progId, same(progId, progid::kTheSky5) || same(progId, progid::kTheSky6));
        return MakePlanetarium(world_);
    }
    std::shared_ptr<DriverUtil> createDriverUtil(const std::string& progId) override {
        check(progId, same(progId, progid::kUtil));
        return std::make_shared<SimDriverUtil>(world_);
    }
    std::shared_ptr<DriverChooser> createChooser(const std::string& progId) override {
        check(progId, same(progId, progid::kChooser));
        return MakeChooser(world_);
    }
    std::shared_ptr<CcdCamera> createCcdCamera(const std::string& progId) override {
        check(progId, same(progId, progid::kCcdCamera));
        return MakeCcdCamera(world_);
    }
    std::shared_ptr<CcdImage> createCcdImage(const std::string& progId) override {
        check(progId, same(progId, progid::kCcdImage));
        return MakeCcdImage(world_);
    }
    std::shared_ptr<MaximApplication> createMaximApplication(const std::string& progId) override {
        check(progId, same(progId, progid::kMaxim));
        return MakeMaximApplication(world_);
    }

  private:
    SimWorld& w() const { return *world_; }

    static bool same(const std::string& a, const std::string& b) {
        return UpperCase(a) == UpperCase(b);
    }

    void check(const std::string& progId, bool registered) {
        w().guard("create " + progId);
        if (!registered || w().missing.count(UpperCase(progId))) {
            throw CannotCreate(progId);
        }
    }

    std::shared_ptr<SimWorld> world_;
};

Observatory::Observatory(Scenario scenario, Clock& clock)
    : world_(std::make_shared<SimWorld>(std::move(scenario), clock)),
      factory_(std::make_unique<SimObjectFactory>(world_)),
      desktop_(std::make_unique<SimDesktop>(world_)) {}

Observatory::~Observatory() = default;

ObjectFactory& Observatory::factory() {
    return *factory_;
}
Desktop& Observatory::desktop() {
    return *desktop_;
}
const Scenario& Observatory::scenario() const {
    return world_->scenario;
}

SkyPosition Observatory::truePointing() const {
    const HaDec sky = world_->trueSky();
    return {WrapHours(world_->lst() - sky.ha), sky.dec};
}

SkyPosition Observatory::reportedPointing() const {
    const HaDec sky = world_->reportedSky();
    return {WrapHours(world_->lst() - sky.ha), sky.dec};
}

double Observatory::pointingErrorArcsec() const {
    return SeparationDegrees(world_->trueSky(), world_->reportedSky()) * kArcsecPerDegree;
}

const PointingTerms& Observatory::controllerModel() const {
    return world_->controller.model();
}
const ModelFit& Observatory::controllerFit() const {
    return world_->controller.lastFit();
}
PierSide Observatory::pierSide() const {
    return world_->axes().side;
}
std::size_t Observatory::alignmentPoints() const {
    return world_->controller.points().size();
}
bool Observatory::slewing() const {
    return world_->mount.slewing(world_->now());
}
PortHolder Observatory::portHolder() const {
    return world_->holder;
}
const std::vector<CommandExchange>& Observatory::commandLog() const {
    return world_->gemini;
}
const std::vector<std::string>& Observatory::callLog() const {
    return world_->calls;
}

int Observatory::alive(const std::string& kind) const {
    auto it = world_->alive.find(kind);
    return it == world_->alive.end() ? 0 : it->second;
}

int Observatory::aliveTotal() const {
    int total = 0;
    for (const auto& entry : world_->alive) {
        total += entry.second;
    }
    return total;
}

bool Observatory::cameraConnected() const {
    return world_->ccd.connected || world_->maxim.linked;
}

int Observatory::lightImagesTaken() const {
    return world_->lightImages;
}

double Observatory::blockedSeconds() const {
    return world_->blockedSeconds;
}

std::optional<SkyPosition> Observatory::imageLinkInformation() const {
    if (!world_->imageLinkInformation) {
        return std::nullopt;
    }
    return SkyPosition{world_->imageLinkInformation->ra, world_->imageLinkInformation->dec};
}

bool Observatory::planetariumHoldsPastedImage() const {
    return world_->pasted != nullptr;
}

bool Observatory::pastedImageCalibrated() const {
    return world_->pasted && world_->pasted->calibrated;
}

void Observatory::setProgramMissing(const std::string& progId, bool missing) {
    if (missing) {
        world_->missing.insert(UpperCase(progId));
    } else {
        world_->missing.erase(UpperCase(progId));
    }
}

void Observatory::failOperation(const std::string& operation, const AutomationError& error,
                                int times) {
    world_->injections.insert_or_assign(operation, Injection{error, std::nullopt, times});
}

void Observatory::replyToCommand(const std::string& command, const std::string& reply, int times) {
    world_->injections.insert_or_assign("gemini:" + command, Injection{std::nullopt, reply, times});
}

void Observatory::failCommand(const std::string& command, const AutomationError& error, int times) {
    world_->injections.insert_or_assign("gemini:" + command, Injection{error, std::nullopt, times});
}

void Observatory::scriptReading(const std::string& operation, std::optional<double> value,
                                int times) {
    if (!value) {
        world_->injections.erase("reading:" + operation);
        return;
    }
    world_->injections.insert_or_assign("reading:" + operation,
                                        Injection{std::nullopt, std::nullopt, times, value});
}

void Observatory::failCallAt(std::size_t index, const AutomationError& error) {
    world_->failAtCall.emplace(index, error);
}

void Observatory::clearInjections() {
    world_->injections.clear();
    world_->failAtCall.reset();
}

void Observatory::setPlanetariumWindowTitle(const std::string& title) {
    world_->planetariumTitle = title;
}

void Observatory::setForegroundDenied(bool denied) {
    world_->foregroundDenied = denied;
}
void Observatory::setMaximDocumentMissing(bool missing) {
    world_->maximDocumentMissing = missing;
}
WindowHandle Observatory::foregroundWindow() const {
    return world_->foreground;
}

void Observatory::addCloud(const Cloud& cloud) {
    world_->scenario.clouds.push_back(cloud);
}
void Observatory::clearClouds() {
    world_->scenario.clouds.clear();
}

void Observatory::setWorkingDirectory(const std::filesystem::path& folder) {
    world_->workingDirectory = folder;
}

}  // namespace kov::sim

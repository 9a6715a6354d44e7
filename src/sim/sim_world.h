#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "sim/gemini_controller.h"
#include "sim/random.h"
#include "sim/scenario.h"
#include "sim/sim_mount.h"
#include "sim/sim_types.h"
#include "station/automation_error.h"
#include "station/clock.h"
#include "station/desktop.h"

// The shared state of the simulated observatory: one instance per night, held by the
// Observatory and by every object it hands out, so an object that outlives its Observatory still
// works on a consistent world. Internal to the simulator.

namespace kov::sim {

// One frame as a camera took it, with the truth the plate solver will find in it.
struct ImageRecord {
    int number = 0;  // light frames counted from 1; 0 for a dark frame
    bool light = true;
    double exposure = 0.0;
    double binX = 1.0;
    double binY = 1.0;
    double takenAt = 0.0;  // epoch seconds when the exposure began
    double temperature = 0.0;
    double trueRa = 0.0;   // hours, of the catalogue position at the centre of the field
    double trueDec = 0.0;  // degrees
    AltAz trueAltAz;       // where the optics point on the local sky, refraction included
    PierSide side = PierSide::East;
    std::optional<double> hintRa;  // the telescope's own reading, as the camera program saw it
    std::optional<double> hintDec;
    bool calibrated = false;
};

struct Solution {
    double ra = 0.0;   // hours
    double dec = 0.0;  // degrees
    double scale = 0.0;
    double northAngle = 0.0;
    long stars = 0;
};

// A scripted failure or reply, used up after a number of uses (or never, when negative).
struct Injection {
    std::optional<AutomationError> error;
    std::optional<std::string> reply;
    int remaining = 1;
    std::optional<double> reading = std::nullopt;
};

struct CcdSoftState {
    bool connected = false;
    double exposure = 1.0;
    double binX = 1.0;
    double binY = 1.0;
    int reduction = 0;
    int series = 1;
    int delay = 0;
    bool autoSave = true;
    bool asynchronous = false;
    int saveFormat = 0;
    bool busy = false;
    double doneAt = 0.0;
    std::shared_ptr<ImageRecord> pending;
    std::shared_ptr<ImageRecord> last;
};

struct MaximState {
    bool linked = false;
    double binX = 1.0;
    double binY = 1.0;
    bool busy = false;
    bool ready = false;
    double doneAt = 0.0;
    std::shared_ptr<ImageRecord> pending;
    std::shared_ptr<ImageRecord> last;
    std::vector<std::string> darks;  // resolved paths
    bool calibrationSet = false;
    // The frames MaxIm DL saved, by resolved path, so a calibration knows what its dark holds.
    std::map<std::string, std::shared_ptr<const ImageRecord>> saved;
};

struct SimWorld {
    SimWorld(Scenario s, Clock& c);

    Scenario scenario;
    Clock& clock;
    double startEpoch;
    Rng mountRandom;
    Rng solveRandom;
    std::filesystem::path workingDirectory;

    SimMount mount;
    GeminiController controller;
    PortHolder holder = PortHolder::None;
    int driverConnections = 0;

    CcdSoftState ccd;
    MaximState maxim;
    int lightImages = 0;
    double blockedSeconds = 0.0;  // virtual time callers spent inside blocking calls

    bool planetariumConnected = false;
    std::string planetariumTitle;
    WindowHandle foreground = 0;
    bool foregroundDenied = false;
    WindowHandle foregroundRequested = 0;  // refused while denied, granted once allowed
    bool maximDocumentMissing = false;
    std::set<int> keysDown;
    std::shared_ptr<const ImageRecord> clipboard;
    std::shared_ptr<const ImageRecord> pasted;
    std::optional<Solution> imageLinkInformation;

    std::set<std::string> missing;  // upper-cased identifiers
    std::map<std::string, int> alive;
    std::vector<std::string> calls;
    std::vector<CommandExchange> gemini;
    std::map<std::string, Injection> injections;
    std::optional<std::pair<std::size_t, AutomationError>> failAtCall;  // index in calls

    double now() const { return clock.epochSeconds(); }
    double lst() const { return LocalSiderealHours(now(), scenario.site.longitude); }

    // Records a call on an outside object and raises the failure scripted for it, if any.
    void guard(const std::string& operation);
    // A scripted reply or failure for a Gemini command, if any.
    std::optional<std::string> scriptedReply(const std::string& command);
    // The scripted reading of an operation (named as in callLog), or the device's own.
    double reading(const std::string& operation, double own);

    // A path as a camera program would resolve it: Windows separators accepted, relative paths
    // taken from the working directory.
    std::filesystem::path resolve(const std::string& path) const;

    // Where the optics point now, as the catalogue position of the stars at the centre of the
    // field (the air lifts them into view from a little lower), and where the controller
    // believes they point.
    HaDec trueSky() const;
    HaDec reportedSky() const { return controller.skyAt(mount.axesAt(now(), lst())); }
    AxisPosition axes() const { return mount.axesAt(now(), lst()); }

    // The pier side a slew to a sky position ends on: the side the tube is on while the target
    // lies within the meridian limit of it, the other side otherwise.
    PierSide sideFor(const HaDec& sky) const;
    // The lowest altitude the mount may go to at an azimuth, degrees.
    double horizonAt(double az) const;
    // Where a cloud stands now on the local sky.
    AltAz cloudAt(const Cloud& cloud) const;

    // Starts a slew so that, by the controller's model, the optics land on a sky position.
    void slewController(const HaDec& sky);
    // Lets virtual time pass, as a call that blocks its caller does.
    void pass(double seconds);

    // A new frame of the sky the optics point at now.
    std::shared_ptr<ImageRecord> snapshot(bool light, double exposure, double binX, double binY);
    double sensorTemperature() const;

    // Brings the cameras up to date with the clock.
    void updateCameras();
};

// Counts one simulated object as alive for as long as it exists.
class CensusEntry {
  public:
    CensusEntry(std::shared_ptr<SimWorld> world, std::string kind);
    ~CensusEntry();
    CensusEntry(const CensusEntry&) = delete;
    CensusEntry& operator=(const CensusEntry&) = delete;

    SimWorld& world() const { return *world_; }
    const std::shared_ptr<SimWorld>& shared() const { return world_; }

  private:
    std::shared_ptr<SimWorld> world_;
    std::string kind_;
};

std::string UpperCase(std::string text);

}  // namespace kov::sim

#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/pointing_model.h"
#include "sim/scenario.h"
#include "sim/sim_types.h"
#include "station/automation_error.h"
#include "station/clock.h"
#include "station/desktop.h"
#include "station/object_factory.h"

namespace kov::sim {

struct SimWorld;
class SimDesktop;
class SimObjectFactory;

// The simulated observatory: a mount with true pointing errors behind a Gemini controller,
// TheSky, CCDSoft, MaxIm DL, the driver utilities and the desktop, all driven by the Clock.
// Nothing here sleeps or blocks; durations pass only as the Clock advances. The Clock must
// outlive the Observatory and every object its factory hands out.
class Observatory {
  public:
    Observatory(Scenario scenario, Clock& clock);
    ~Observatory();
    Observatory(const Observatory&) = delete;
    Observatory& operator=(const Observatory&) = delete;

    // Creates the programs' objects by identifier; unknown or missing identifiers throw 429.
    ObjectFactory& factory();
    Desktop& desktop();
    const Scenario& scenario() const;

    // --- Inspection, for tests and the demo ---------------------------------------------------
    SkyPosition truePointing() const;      // where the optics really point now
    SkyPosition reportedPointing() const;  // where the controller says they point
    double pointingErrorArcsec() const;    // the distance between the two
    const PointingTerms& controllerModel() const;
    // The last refit, with its undetermined terms, each term's uncertainty and the point count.
    const ModelFit& controllerFit() const;
    PierSide pierSide() const;  // the side of the pier the tube is on now
    std::size_t alignmentPoints() const;
    bool slewing() const;
    PortHolder portHolder() const;
    const std::vector<CommandExchange>& commandLog() const;  // Gemini commands and replies
    // Every operation called on a simulated object, named like "SkyTelescope.Connect", and
    // every creation, named like "create TheSky6.RASCOMTele", in order.
    const std::vector<std::string>& callLog() const;
    // Objects alive by kind: "AscomTelescope", "SkyTelescope", "SkyPlanetarium", "DriverUtil",
    // "Chooser", "CcdCamera", "CcdImage", "MaximApplication", "MaximCamera", "MaximDocument".
    int alive(const std::string& kind) const;
    int aliveTotal() const;
    bool cameraConnected() const;  // CCDSoft's camera connected or MaxIm DL's linked
    int lightImagesTaken() const;
    // Virtual time the callers of the simulated programs spent blocked inside their calls.
    double blockedSeconds() const;
    std::optional<SkyPosition> imageLinkInformation() const;
    bool planetariumHoldsPastedImage() const;
    bool pastedImageCalibrated() const;  // by a matching dark frame

    // --- Failure injection ---------------------------------------------------------------------
    void setProgramMissing(const std::string& progId, bool missing = true);
    // The next `times` calls of an operation or creations (named as in callLog) raise the error;
    // a count of 0 or less raises on every call until cleared.
    void failOperation(const std::string& operation, const AutomationError& error, int times = 1);
    // The next `times` Gemini commands of exactly this text get this reply, or raise this error,
    // instead of the controller's own answer.
    void replyToCommand(const std::string& command, const std::string& reply, int times = 1);
    void failCommand(const std::string& command, const AutomationError& error, int times = 1);
    // The next `times` calls of a reading (an operation named as in callLog that returns a
    // number: a solution's scale, star count or angle, a sensor's temperature, a position) give
    // this value instead of the device's own; 0 or less: until cleared. No value clears it.
    void scriptReading(const std::string& operation, std::optional<double> value, int times = 0);
    // The call with this index in callLog (counted from 0), whatever operation it is, raises the
    // error once: a fault sweep walks a run's calls one by one this way.
    void failCallAt(std::size_t index, const AutomationError& error);
    void clearInjections();
    void setPlanetariumWindowTitle(const std::string& title);  // empty: the window is closed
    // While denied, bringing a window to the front is refused; lifting it grants the last
    // refused request, as a window system that complies late does.
    void setForegroundDenied(bool denied);
    void setMaximDocumentMissing(bool missing);
    WindowHandle foregroundWindow() const;
    void addCloud(const Cloud& cloud);
    void clearClouds();
    // Relative image and calibration paths resolve against this folder (default: the current
    // directory when the Observatory was made).
    void setWorkingDirectory(const std::filesystem::path& folder);

  private:
    friend class GeminiWire;  // the controller served on a real line (sim/gemini_wire.h)
    std::shared_ptr<SimWorld> world_;
    std::unique_ptr<SimObjectFactory> factory_;
    std::unique_ptr<SimDesktop> desktop_;
};

}  // namespace kov::sim

#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/sky_position.h"

namespace kov {

// What a point's solution was sent to the controller as.
enum class SentAs { Nothing, Sync, Alignment };

// The two Gemini model terms as the controller reported them, arc minutes: the first is shown as
// the azimuth error, the second as the elevation error.
struct ModelTerms {
    double a = 0.0;
    double e = 0.0;
    bool operator==(const ModelTerms&) const = default;
};

// The work a record belongs to.
enum class RunCommand {
    Start,      // a START run: builds the model
    Test,       // a TEST run: measures the pointing, sends nothing to the controller
    OneSync,    // "One Sync" at the current position
    AddlAlign,  // "Add'l Align" at the current position
};

// How the work ended.
enum class RunEnding {
    Running,     // not ended yet
    Completed,   // every point was done (or the single sync or align went through its steps)
    Incomplete,  // ended early without a stop request: the operator gave up after an error or
                 // after repeated plate-solution failures
    Stopped,     // the operator confirmed a stop request
    Failed,      // the outside programs could not be created or connected, or the work ended
                 // on an unexpected error
};

// A place on the local sky, degrees: azimuth from north through east.
struct HorizontalPosition {
    double alt = 0.0;
    double az = 0.0;
};

// One imaged point, in the order the points were taken.
struct PointRecord {
    int imageNumber = 0;                // as "Image n/N" showed it; repeats after a failure
    std::optional<SkyPosition> target;  // the Zig-Zag slew target the mount was sent to
    std::optional<SkyPosition> solved;  // the plate solution, only when it was read in full
    std::int32_t status = 0;            // solution status: 0 solved, else the error number
    std::string statusText;             // and its description
    SentAs sent = SentAs::Nothing;
    std::optional<ModelTerms> terms;  // the controller's terms read after the point
    // Where the mount said it pointed when the image was taken; the sky chart places the point
    // there. Map Points runs have no other position of their targets.
    std::optional<HorizontalPosition> mount;
};

// What one piece of work did; the report, the charts and the exports read it, never the log.
struct RunRecord {
    RunCommand command = RunCommand::Start;
    RunEnding ending = RunEnding::Running;
    int pointsAsked = 0;                   // NumberOfAligns at the start (1 for a sync or align)
    std::optional<ModelTerms> startTerms;  // read before the first point
    std::optional<ModelTerms> endTerms;    // the last terms read; the start terms until then
    std::vector<PointRecord> points;
    // TEST run in Zig-Zag mode, from its second point on: degrees.
    std::optional<double> testRmsDeg;
    std::optional<double> testPeakDeg;

    // Points whose solution was sent to the controller.
    int pointsSent() const;
    // Points solved, sent or not.
    int pointsSolved() const;
};

// What just changed in the record; `index` names the point for the point changes.
enum class RecordChange { Begun, PointAdded, PointUpdated, Terms, Statistics, Ended };

// The record of the work in progress, or of the last work once it has ended, and a change
// signal so a window can follow a run live. Observers run on the run's thread, inside the run:
// they must only read and repaint, never start or stop work.
class RunRecorder {
  public:
    using Observer = std::function<void(const RunRecord&, RecordChange, std::size_t index)>;

    const RunRecord& get() const { return record_; }
    const RunRecord& operator()() const { return record_; }
    void observe(Observer observer) { observers_.push_back(std::move(observer)); }

    // --- Written by the run commands, the run loop and the single sync -----------------------
    // A fresh record: the last one is dropped.
    void begin(RunCommand command, int pointsAsked);
    void setPointsAsked(int pointsAsked);
    void setStartTerms(const ModelTerms& terms);
    // A new point; the following calls fill in the last one added.
    void addPoint(const PointRecord& point);
    void setStatus(std::int32_t status, const std::string& statusText);
    void setSolved(const SkyPosition& solved);
    void setSent(SentAs sent);
    void setTerms(const ModelTerms& terms);
    void setTestStatistics(double rmsDeg, double peakDeg);
    // Completed and Incomplete only end a record still running; Stopped and Failed replace
    // whatever the loop concluded, since they are what the operator saw last.
    void end(RunEnding ending);

  private:
    void notify(RecordChange change, std::size_t index = 0);
    PointRecord* last();

    RunRecord record_;
    std::vector<Observer> observers_;
};

const char* RunCommandName(RunCommand command);  // "START", "TEST", "One Sync", "Add'l Align"
const char* RunEndingName(RunEnding ending);     // "running", "completed", "incomplete", ...
const char* SentAsName(SentAs sent);             // "", "sync", "align"

}  // namespace kov

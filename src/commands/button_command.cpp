#include "commands/button_command.h"

#include <exception>

#include "model/device_objects.h"
#include "model/run_state.h"
#include "model/station.h"

namespace kov {

namespace {

void StopRequest(Station& st, const ButtonCommand& kind) {
    if (st.ui.messageBox("Do you really want to stop?", "KOV - User Interrupt", Buttons::YesNo,
                         Icon::Question) == Answer::No) {
        return;
    }
    st.run.bStop = true;
    if (kind.stopRequestLine != nullptr && kind.logStopBeforeRaise) {
        st.log.AddLog(kind.stopRequestLine);
    }
    st.ui.raiseToTop();
    if (kind.stopRequestLine != nullptr && !kind.logStopBeforeRaise) {
        st.log.AddLog(kind.stopRequestLine);
    }
}

// Work that ends on an error nobody expected must still give the window back: otherwise every
// later click would only ask to stop work that no longer exists.
class RunningScope {
  public:
    explicit RunningScope(Station& st) : st_(st) {
        st_.ui.setLabel(Label::Command1, "STOP");
        st_.run.bRunning = true;
        st_.run.bStop = false;
    }
    ~RunningScope() {
        if (std::uncaught_exceptions() > exceptions_) {
            st_.record.end(RunEnding::Failed);
        }
        st_.run.bRunning = false;
        st_.run.bStop = false;
        st_.ui.setLabel(Label::Command1, "START");
    }
    RunningScope(const RunningScope&) = delete;
    RunningScope& operator=(const RunningScope&) = delete;

  private:
    Station& st_;
    int exceptions_ = std::uncaught_exceptions();
};

void AddLogIf(Station& st, const char* line) {
    if (line != nullptr) {
        st.log.AddLog(line);
    }
}

// True when the work ended on a stop request; a failed start or connection is reported by the
// procedure that failed.
bool Steps(Station& st, const ButtonCommand& kind, void (*work)(Station&, bool), bool argument) {
    const auto stopped = [&st] {
        st.ui.yield();
        return st.run.bStop;
    };
    const auto failed = [&] {
        st.record.end(RunEnding::Failed);
        return kind.failureHonoursStop && st.run.bStop;
    };
    if (st.run.bStop) {
        return true;
    }
    if (!CreateObjects(st)) {
        return failed();
    }
    if (stopped()) {
        return true;
    }
    if (!ConnectObjects(st)) {
        DeleteObjects(st);
        return failed();
    }
    if (stopped()) {
        return true;
    }
    work(st, argument);
    AddLogIf(st, kind.workDoneLine);
    st.ui.yield();
    DisconnectObjects(st);
    if (stopped()) {
        return true;
    }
    DeleteObjects(st);
    if (stopped()) {
        return true;
    }
    AddLogIf(st, kind.completedLine);
    st.record.end(RunEnding::Completed);
    return false;
}

}  // namespace

void ClickWorkButton(Station& st, const ButtonCommand& kind, void (*work)(Station&, bool),
                     bool workArgument) {
    if (st.run.bRunning) {
        StopRequest(st, kind);
        return;
    }
    const bool bRun = kind.command == RunCommand::Start || kind.command == RunCommand::Test;
    if (bRun && st.settings.bFractal() && st.points.size() == 0) {
        st.ui.messageBox(
            "The point list is empty: add points with Add Point or load a point "
            "file with Load..., then try again.",
            "KOV - Invalid input", Buttons::Ok, Icon::Exclamation);
        return;
    }
    if (!ValidateInput(st.settings, st.ui)) {
        return;
    }
    KeepOnTop(st);
    RunningScope running(st);
    st.record.begin(kind.command, kind.pointsAsked);
    AddLogIf(st, kind.startLine);
    st.ui.setLabel(Label::Status, kind.initialStatus);
    st.ui.repaint(Label::Status);
    st.ui.yield();
    if (Steps(st, kind, work, workArgument)) {
        st.ui.setLabel(Label::Status, "Stopped");
        AddLogIf(st, kind.stoppedLine);
        st.record.end(RunEnding::Stopped);
    }
}

}  // namespace kov

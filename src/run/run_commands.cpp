#include "run/run_commands.h"

#include <exception>

#include "mount/device_objects.h"
#include "run/run_state.h"
#include "run/target_loop.h"
#include "station/station.h"

namespace kov {

namespace {

// Where the two buttons differ.
struct RunKind {
    bool bTest;
    const char* startLine;
    const char* initialStatus;
    const char* stoppedLine;
};
constexpr RunKind kStartRun{false, "Starting Model Run", "Initializing TheSky and Camera",
                            "Model Run Aborted"};
constexpr RunKind kTestRun{true, "Starting TEST run", "Initializing Camera and TheSky",
                           "TEST run stopped"};

void StopRequest(Station& st, bool bTestButton) {
    if (st.ui.messageBox("Do you really want to stop?", "KOV - User Interrupt", Buttons::YesNo,
                         Icon::Question) == Answer::No) {
        return;
    }
    st.run.bStop = true;
    if (bTestButton) {
        st.log.AddLog("Test run aborted by user");
        st.ui.raiseToTop();
    } else {
        st.ui.raiseToTop();
        st.log.AddLog("Model Run Aborted");
    }
}

// Work that ends on an error nobody expected must still give the window back: otherwise every
// later click would only ask to stop a run that no longer exists.
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

// True when the run ended on a stop request; a failed start or connection is reported by the
// procedure that failed and ends without one.
bool RunWork(Station& st, const RunKind& kind) {
    const auto stopped = [&st] {
        st.ui.yield();
        return st.run.bStop;
    };
    if (st.run.bStop) {
        return true;
    }
    if (!CreateObjects(st)) {
        st.record.end(RunEnding::Failed);
        return st.run.bStop;
    }
    if (stopped()) {
        return true;
    }
    if (!ConnectObjects(st)) {
        DeleteObjects(st);
        st.record.end(RunEnding::Failed);
        return st.run.bStop;
    }
    if (stopped()) {
        return true;
    }
    TargetLoop(st, kind.bTest);
    if (kind.bTest) {
        st.log.AddLog("TEST Run completed");
    }
    st.ui.yield();
    DisconnectObjects(st);
    if (stopped()) {
        return true;
    }
    DeleteObjects(st);
    if (stopped()) {
        return true;
    }
    if (!kind.bTest) {
        st.log.AddLog("Model Run Completed");
    }
    st.record.end(RunEnding::Completed);
    return false;
}

void RunSequence(Station& st, const RunKind& kind) {
    if (!ValidateInput(st.settings, st.ui)) {
        return;
    }
    KeepOnTop(st);
    RunningScope running(st);
    st.record.begin(kind.bTest ? RunCommand::Test : RunCommand::Start, 0);
    st.log.AddLog(kind.startLine);
    st.ui.setLabel(Label::Status, kind.initialStatus);
    st.ui.repaint(Label::Status);
    st.ui.yield();
    if (RunWork(st, kind)) {
        st.ui.setLabel(Label::Status, "Stopped");
        st.log.AddLog(kind.stoppedLine);
        st.record.end(RunEnding::Stopped);
    }
}

void RunButtonClick(Station& st, const RunKind& kind) {
    if (st.run.bRunning) {
        StopRequest(st, kind.bTest);
        return;
    }
    RunSequence(st, kind);
}

}  // namespace

void Command1Click(Station& st) {
    RunButtonClick(st, kStartRun);
}

void TestItClick(Station& st) {
    RunButtonClick(st, kTestRun);
}

}  // namespace kov

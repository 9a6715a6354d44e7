#include "mount/target_sync.h"

#include <exception>
#include <string>

#include "imaging/expose_ccdsoft.h"
#include "imaging/expose_maxim.h"
#include "mount/attempt.h"
#include "mount/device_objects.h"
#include "mount/gemini_exchange.h"
#include "mount/model_result_text.h"
#include "run/run_state.h"
#include "station/station.h"
#include "station/texts.h"

namespace kov {

namespace {

// The single sync ends at its first unexpected error, after telling the operator.
void ReportSyncError(Station& st, const std::string& step, const AutomationError& failure) {
    st.error.set(failure);
    st.ui.setLabel(Label::Status, "Error!");
    st.ui.repaint(Label::Status);
    BringToFront(st);
    const std::string message = "Error occurred: " + step + kCrLf + failure.description();
    st.log.AddLog(message);
    st.ui.messageBox(message, "KOV - ERROR", Buttons::OkCancel, Icon::Critical);
}

// The steps of TargetSync; false when it ended before the Gemini controller was told.
bool SyncSteps(Station& st, bool bSync, std::string& step) {
    const auto stopAfterYield = [&st] {
        st.ui.yield();
        return st.run.bStop;
    };
    BringToFront(st);
    st.log.AddLog("Single Sync");

    step = "Retrieving RA and DEC";
    SkyTelescope& tele = Require(st.devices.telescope);
    tele.GetRaDec();
    const SkyPosition mount{tele.dRA(), tele.dDec()};
    st.log.AddLog("Mount Position RA=" + GeneralNumber(mount.ra) +
                  " DEC=" + GeneralNumber(mount.dec));
    tele.Disconnect();

    step = "Getting Gemini alignment result";
    double a = 0.0;
    double e = 0.0;
    if (GetGeminiResult(st, a, e, 0.0, 0.0, 0)) {
        const std::string text = ModelResultText(a, e);
        st.ui.setLabel(Label::GeminiResult, text);
        st.log.AddLog(text);
        st.record.setStartTerms({a, e});
    }
    Require(st.devices.telescope).Connect();

    step = "Taking image / Plate solving";
    st.error.clear();
    st.ui.setLabel(Label::ImageNumber, "Image 1/1");
    if (st.settings.bCCDSoft()) {
        ExposeCCDSoft(st, true);
    } else {
        ExposeMaxim(st, mount.ra, mount.dec);
    }
    if (st.run.bStop) {
        return false;
    }
    PointRecord point;
    point.imageNumber = 1;
    point.status = st.error.number;
    point.statusText = st.error.description;
    st.record.addPoint(point);
    if (st.error.failed()) {
        BringToFront(st);
        st.ui.setLabel(Label::Status, "ERROR: Plate Solution failed");
        st.log.AddLog("ERROR: Plate Solution failed");
        st.ui.repaint(Label::Status);
        st.ui.yield();
        st.ui.messageBox("Star pattern not recognized!", "KOV - Plate Solution Error",
                         Buttons::OkCancel, Icon::Exclamation);
        return false;
    }

    step = "Get Object RA and DEC from TheSky";
    if (stopAfterYield()) {
        return false;
    }
    SkyPlanetarium& sky = Require(st.devices.planetarium);
    sky.GetObjectRaDec("Image Link Information");
    step = "Retrieving RA and DEC";
    const SkyPosition solved{sky.dObjectRa(), sky.dObjectDec()};
    st.record.setSolved(solved);
    st.log.AddLog("Plate Solution RA=" + GeneralNumber(solved.ra) +
                  " DEC=" + GeneralNumber(solved.dec));
    if (stopAfterYield()) {
        return false;
    }
    bool bErrorOccurred = false;
    PromptOnError(st, bErrorOccurred);
    if (bErrorOccurred) {
        return false;
    }

    const std::string performing = std::string("Performing ") + (bSync ? "Sync" : "Add'l Align");
    st.ui.setLabel(Label::Status, performing);
    st.log.AddLog("Doing " + performing);
    st.ui.repaint(Label::Status);
    if (stopAfterYield()) {
        return false;
    }
    step = "Doing Telescope Sync";
    if (stopAfterYield()) {
        return false;
    }
    const int sync = bSync ? 1 : 2;
    st.record.setSent(sync);
    if (GetGeminiResult(st, a, e, solved.ra, solved.dec, sync)) {
        const std::string text = ModelResultText(a, e);
        st.ui.setLabel(Label::GeminiResult, text);
        st.log.AddLog(text);
        st.record.setTerms({a, e});
        const std::string done = bSync ? "Sync Done!" : "Add'l Align Done!";
        st.ui.setLabel(Label::Status, done);
        st.log.AddLog(done);
    }
    return true;
}

void SyncClick(Station& st, bool bSync) {
    if (st.run.bRunning) {
        if (st.ui.messageBox("Do you really want to stop?", "KOV - User Interrupt", Buttons::YesNo,
                             Icon::Question) != Answer::No) {
            st.run.bStop = true;
            if (bSync) {
                st.log.AddLog("Sync Aborted");
            }
            st.ui.raiseToTop();
        }
        return;
    }
    if (!ValidateInput(st.settings, st.ui)) {
        return;
    }
    KeepOnTop(st);
    st.ui.setLabel(Label::Command1, "STOP");
    st.run.bRunning = true;
    st.run.bStop = false;
    st.record.begin(bSync ? RunCommand::OneSync : RunCommand::AddlAlign, 1);
    // An error nobody expected still gives the window back, so later clicks start work again.
    struct Restore {
        Station& st;
        int exceptions = std::uncaught_exceptions();
        ~Restore() {
            if (std::uncaught_exceptions() > exceptions) {
                st.record.end(RunEnding::Failed);
            }
            st.run.bRunning = false;
            st.run.bStop = false;
            st.ui.setLabel(Label::Command1, "START");
        }
    } restore{st};

    st.ui.setLabel(Label::Status, bSync ? "Initializing Camera and TheSky"
                                        : "Initializing TheSky and Camera Control");
    st.ui.repaint(Label::Status);
    st.ui.yield();

    const auto stopped = [&st] { return st.run.bStop; };
    const bool bStopped = [&] {
        if (stopped()) {
            return true;
        }
        if (!CreateObjects(st)) {
            st.record.end(RunEnding::Failed);
            return false;
        }
        st.ui.yield();
        if (stopped()) {
            return true;
        }
        if (!ConnectObjects(st)) {
            DeleteObjects(st);
            st.record.end(RunEnding::Failed);
            return false;
        }
        st.ui.yield();
        if (stopped()) {
            return true;
        }
        TargetSync(st, bSync);
        st.ui.yield();
        DisconnectObjects(st);
        st.ui.yield();
        if (stopped()) {
            return true;
        }
        DeleteObjects(st);
        st.ui.yield();
        if (stopped()) {
            return true;
        }
        if (bSync) {
            st.log.AddLog("Sync completed");
        }
        st.record.end(RunEnding::Completed);
        return false;
    }();
    if (bStopped) {
        st.ui.setLabel(Label::Status, "Stopped");
        if (bSync) {
            st.log.AddLog("Sync aborted");
        }
        st.record.end(RunEnding::Stopped);
    }
}

}  // namespace

void TargetSync(Station& st, bool bSync) {
    std::string step;
    try {
        if (!SyncSteps(st, bSync, step) && !st.run.bStop) {
            st.record.end(RunEnding::Incomplete);
        }
    } catch (const AutomationError& failure) {
        ReportSyncError(st, step, failure);
        st.record.end(RunEnding::Incomplete);
    }
}

void DoSyncClick(Station& st) {
    SyncClick(st, true);
}

void AddlAlignClick(Station& st) {
    SyncClick(st, false);
}

}  // namespace kov

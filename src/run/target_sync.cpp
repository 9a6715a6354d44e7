#include "run/target_sync.h"

#include <string>

#include "imaging/expose_ccdsoft.h"
#include "imaging/expose_maxim.h"
#include "model/device_objects.h"
#include "model/run_state.h"
#include "model/station.h"
#include "mount/gemini_exchange.h"
#include "station/attempt.h"
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
    ShowGeminiTerms(st, SentAs::Nothing);
    Require(st.devices.telescope).Connect();

    step = "Taking image / Plate solving";
    st.error.clear();
    st.ui.setLabel(Label::ImageNumber, "Image 1/1");
    const PlateSolution solution = st.settings.bCCDSoft() ? ExposeCCDSoft(st, true, true)
                                                          : ExposeMaxim(st, mount.ra, mount.dec);
    if (st.run.bStop) {
        return false;
    }
    PointRecord point;
    point.imageNumber = 1;
    point.status = solution.status;
    point.statusText = solution.text;
    st.record.addPoint(point);
    if (solution.failed()) {
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
    // The single sync ends at the first call that fails.
    const SkyPosition solved = *ReadPlateSolution(st, step, [](auto&& call) {
        call();
        return true;
    });
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
    if (ShowGeminiTerms(st, bSync ? SentAs::Sync : SentAs::Alignment, solved)) {
        const std::string done = bSync ? "Sync Done!" : "Add'l Align Done!";
        st.ui.setLabel(Label::Status, done);
        st.log.AddLog(done);
    }
    return true;
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

}  // namespace kov

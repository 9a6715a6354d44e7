#include "imaging/expose_ccdsoft.h"

#include <cmath>
#include <string>

#include "model/station.h"
#include "station/attempt.h"
#include "station/texts.h"
#include "station/wait_bounds.h"

namespace kov {

namespace {

constexpr const char* kImageFile = ".\\KOV_Imagelink.fit";
constexpr long kFewestStars = 10;
constexpr double kScaleTolerance = 0.5;   // arc seconds per binned pixel
constexpr double kAngleTolerance = 10.0;  // degrees

// Lets the window process events; false when that brought a stop request.
bool YieldGoOn(Station& st) {
    st.ui.yield();
    return !st.run.bStop;
}

void Show(Station& st, const std::string& text) {
    st.ui.setLabel(Label::Status, text);
    st.ui.repaint(Label::Status);
}

// "1x1" to "5x5": the factor is the number in one character of the bin mode text.
double BinFactor(char c) {
    return LeadingNumber(std::string_view(&c, 1));
}

// The two angles differ by at most 10 degrees the short way round, or by half a turn within the
// same 10 degrees: a German mount that changed pier side shows the same field upside down.
enum class Orientation { Same, Flipped, Different };

Orientation CompareOrientation(double reference, double measured) {
    double difference = std::fabs(AdjustDeg(reference) - AdjustDeg(measured));
    if (difference > 180.0) {
        difference = 360.0 - difference;
    }
    if (difference <= kAngleTolerance) {
        return Orientation::Same;
    }
    if (180.0 - difference <= kAngleTolerance) {
        return Orientation::Flipped;
    }
    return Orientation::Different;
}

// The three checks of a solved image. A failed check logs its reason and leaves status 1; a
// solver error on a read leaves the solver's own number, and the checks after it are skipped.
void CheckSolution(Station& st, CcdImage& image, bool bFirst, bool bReference, double binX,
                   double expected, PlateSolution& solution) {
    ErrorState& status = st.error;
    long stars = 0;
    if (!Attempt(status, [&] { stars = image.WCSArrayUpperBound(0); })) {
        return;
    }
    if (stars < kFewestStars) {
        st.log.AddLog("SOLUTION ERROR: Too few stars matched: " + std::to_string(stars));
        status.set(1, "");
        return;
    }

    double solved = 0.0;
    if (!Attempt(status, [&] { solved = image.ScaleInArcsecondsPerPixel(); })) {
        return;
    }
    solution.scale = solved;
    if (std::fabs(solved - expected) >= kScaleTolerance) {
        bool accepted = false;
        if (bFirst) {
            const Answer answer = st.ui.messageBox(
                "Solution produced a different image scale (" + GeneralNumber(solved) +
                    ") than the one specified: " + GeneralNumber(expected) + kCrLf +
                    "Is the solved image scale correct?",
                "Image scale is different!", Buttons::YesNoCancel, Icon::Exclamation);
            accepted = answer == Answer::Yes;
        }
        if (accepted) {
            st.settings.PixelScale = GeneralNumber(solved / binX);
            st.log.AddLog("Image Scale adjusted to " + st.settings.PixelScale());
        } else {
            st.log.AddLog("SOLUTION ERROR: Image Scale did not match! Expected " +
                          GeneralNumber(expected) + " but got " + GeneralNumber(solved));
            status.set(1, "");
            return;
        }
    }

    double angle = 0.0;
    if (!Attempt(status, [&] { angle = image.NorthAngle(); })) {
        return;
    }
    solution.northAngle = angle;
    if (bReference) {
        st.imaging.referenceNorthAngle = angle;
        st.log.AddLog("Initial image angle = " + GeneralNumber(angle));
        return;
    }
    const double reference = st.imaging.referenceNorthAngle;
    switch (CompareOrientation(reference, angle)) {
        case Orientation::Same:
            break;
        case Orientation::Flipped:
            st.log.AddLog("Image turned by a meridian flip");
            break;
        case Orientation::Different:
            st.log.AddLog("SOLUTION ERROR: Image angle did not match! Expected " +
                          GeneralNumber(reference) + " but got " + GeneralNumber(angle));
            status.set(1, "");
            break;
    }
}

bool Expose(Station& st, bool bFirst, bool bReference, PlateSolution& solution) {
    CcdCamera& camera = Require(st.devices.ccdCamera);
    const RunSettings& s = st.settings;
    const std::string binMode = s.BinModeText();
    const double binX = BinFactor(binMode.front());
    const double binY = BinFactor(binMode.back());
    const double expected = binX * LeadingNumber(s.PixelScale());

    camera.SetExposureTime(LeadingNumber(s.Exposure()));
    camera.SetImageReduction(s.bAutoDark() == CheckState::Checked ? 1 : 0);
    camera.SetSeries(1);
    camera.SetDelay(0);
    camera.SetBinX(binX);
    camera.SetBinY(binY);
    if (!YieldGoOn(st)) {
        return false;
    }

    // The counter the caller put up: a run's "Image n/N", a single sync's "Image 1/1". Counting
    // again from the run's remaining points would show "Image 11/10" in a sync after a run.
    const std::string progress = st.ui.label(Label::ImageNumber);
    Show(st, progress);

    const bool autoSave = camera.AutoSaveOn();
    camera.SetAutoSaveOn(false);
    camera.SetAsynchronous(true);
    st.log.AddLog("Taking Image");
    camera.TakeImage();

    // The camera reports the end of the exposure, the operator stops, or the limit ends a wait
    // that a stuck camera would otherwise never end.
    const WaitBound bound(st.clock, ExposureLimitMs(LeadingNumber(s.Exposure())));
    int state = 0;
    do {
        st.clock.sleep(400);
        st.ui.yield();
        Show(st, progress + " -- " + camera.Status());
        if (st.run.bStop) {
            camera.Abort();
            // The operator's camera program is handed back as it was found.
            camera.SetAsynchronous(false);
            camera.SetAutoSaveOn(autoSave);
            return false;
        }
        state = camera.State();
        if (state != 0 && bound.expired()) {
            camera.Abort();
            camera.SetAsynchronous(false);
            camera.SetAutoSaveOn(autoSave);
            throw AutomationError(kErrTimedOut, "The camera did not finish its exposure within " +
                                                    std::to_string(bound.limitSeconds()) +
                                                    " seconds: check the camera and its program");
        }
    } while (state != 0);

    camera.SetAsynchronous(false);
    camera.SetAutoSaveOn(autoSave);
    if (!YieldGoOn(st)) {
        return false;
    }

    Show(st, "Saving Image");
    if (!YieldGoOn(st)) {
        return false;
    }
    const std::shared_ptr<CcdImage> imageObject = st.objects.createCcdImage(progid::kCcdImage);
    CcdImage& image = Require(imageObject);
    if (!YieldGoOn(st)) {
        return false;
    }
    image.AttachToActiveImager();
    camera.SetAutoSaveFileFormat(0);
    if (!YieldGoOn(st)) {
        return false;
    }

    image.SetScaleInArcsecondsPerPixel(expected);
    image.SetPath(kImageFile);
    st.log.AddLog("Saving Image " + image.Path());
    image.Save();
    if (!YieldGoOn(st)) {
        return false;
    }

    Show(st, "Plate Solving...");
    st.log.AddLog("Doing Plate Solution");
    st.error.clear();
    const bool inserted = Attempt(st.error, [&] { image.InsertWCS(0); });
    if (!YieldGoOn(st)) {
        return false;
    }
    if (inserted) {
        CheckSolution(st, image, bFirst, bReference, binX, expected, solution);
    }
    return true;
}

}  // namespace

PlateSolution ExposeCCDSoft(Station& st, bool bFirst, bool bReference) {
    PlateSolution solution;
    solution.bStopped = !Expose(st, bFirst, bReference, solution);
    solution.status = st.error.number;
    solution.text = st.error.description;
    return solution;
}

}  // namespace kov

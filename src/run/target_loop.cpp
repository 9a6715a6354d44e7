#include "run/target_loop.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>

#include "imaging/expose_ccdsoft.h"
#include "imaging/expose_maxim.h"
#include "model/run_state.h"
#include "model/station.h"
#include "mount/gemini_exchange.h"
#include "run/run_error_path.h"
#include "run/run_slews.h"
#include "run/test_statistics.h"
#include "run/zigzag_walk.h"
#include "station/attempt.h"
#include "station/texts.h"

namespace kov {

namespace {

// "0.0": one decimal, as the delay count-down shows the seconds left.
std::string OneDecimal(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// A count held in 32 bits; a setting far out of range is held at the nearest end.
std::int32_t ToInt32(double value) {
    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    constexpr double kMin = std::numeric_limits<std::int32_t>::min();
    if (!(value >= kMin)) {
        return std::isnan(value) ? 0 : std::numeric_limits<std::int32_t>::min();
    }
    return value >= kMax ? std::numeric_limits<std::int32_t>::max()
                         : static_cast<std::int32_t>(value);
}

// Only for the charts: a mount that cannot say where it points costs the run nothing, so
// nobody is asked and the error state is left as the exposure made it.
std::optional<HorizontalPosition> MountPosition(Station& st) {
    const auto& tele = st.devices.telescope;
    HorizontalPosition at;
    if (Attempt([&] {
            Require(tele).GetAzAlt();
            at = {tele->dAlt(), tele->dAz()};
        })) {
        return at;
    }
    return std::nullopt;
}

// The passes of one run: expose and solve, send or measure, move on.
class Loop {
  public:
    Loop(Station& st, bool bTest) : st_(st), s_(st.settings), bTest_(bTest), errors_(st) {}

    void run() {
        try {
            start();
            for (;;) {
                pass();
                --st_.run.nRemaining;
                if (st_.run.nRemaining <= 0 || bError_) {
                    break;
                }
                delay();
            }
            if (bError_) {
                st_.record.end(RunEnding::Incomplete);  // the operator chose to exit the script
            }
            endOfRun();
        } catch (const LeaveLoop& leave) {
            if (leave.how == Leave::EndOfRun) {
                endOfRun();
            }
        }
    }

  private:
    template <class Action>
    bool act(Action&& action) {
        return errors_.act(std::forward<Action>(action));
    }

    double number(const Observable<std::string>& field) {
        double value = 0.0;
        act([&] { value = LeadingNumber(field()); });
        return value;
    }

    std::string imageNumberText() {
        const double asked = number(s_.NumberOfAligns);
        imageNumber_ = ToInt32(asked - st_.run.nRemaining + 1);
        return "Image " + GeneralNumber(asked - st_.run.nRemaining + 1) + "/" +
               GeneralNumber(asked);
    }

    // --- The start ----------------------------------------------------------------------------

    void start() {
        walk_.decDirection = 1;
        LogSettings(s_, st_.log);
        walk_.raDirection = s_.EastFirst() ? -1 : 1;
        const double asked = number(s_.NumberOfAligns);
        st_.run.nRemaining = ToInt32(std::nearbyint(asked));  // halves to even
        st_.record.setPointsAsked(st_.run.nRemaining);
        bFirst_ = true;
        failures_ = 0;
        BringToFront(st_);

        errors_.step = "Retrieving RA and DEC";
        const auto& tele = st_.devices.telescope;
        SkyPosition read;
        bool bRead = act([&] { Require(tele).GetRaDec(); });
        bRead = act([&] { read.ra = Require(tele).dRA(); }) && bRead;
        bRead = act([&] { read.dec = Require(tele).dDec(); }) && bRead;
        walk_.current = read;
        start_ = read;
        // A start at 0 h is a real position: what decides the slew back is that it was read.
        bStartKnown_ = bRead;
        bPositionKnown_ = bRead;

        act([&] { Require(tele).Disconnect(); });
        st_.log.AddLog("Start RA=" + GeneralNumber(read.ra) + " Dec= " + GeneralNumber(read.dec));

        errors_.step = "Getting Gemini alignment results";
        ShowGeminiTerms(st_, SentAs::Nothing);
        act([&] { Require(tele).Connect(); });

        if (s_.bFractal()) {
            errors_.step = "Getting initial coordinates";
            st_.run.nListPoint = 0;
            errors_.step = "Moving to initial fractal coordinates";
            MoveToListOrAsk(st_, errors_, "Cannot slew to initial list coordinates");
        }
    }

    // --- One pass: expose and solve, then send or measure -----------------------------------

    void pass() {
        st_.error.clear();
        const std::string imageText = imageNumberText();
        st_.ui.setLabel(Label::ImageNumber, imageText);
        st_.log.AddLog(imageText);

        bError_ = false;
        errors_.step = "Exposing image and plate solving";
        const SkyPosition hint = solverHint();
        PlateSolution solution;
        const bool bExposed = act([&] {
            solution = s_.bCCDSoft() ? ExposeCCDSoft(st_, bFirst_, bReference_)
                                     : ExposeMaxim(st_, hint.ra, hint.dec);
        });
        // An exposure that raised left no solution of this point: whatever the planetarium
        // holds is an earlier one, so the point goes the way of a failed plate solution.
        if (!bExposed) {
            solution.status = errors_.lastFailure.number;
            solution.text = errors_.lastFailure.description;
        }
        const bool bFailed = !bExposed || solution.failed();
        if (!bFailed) {
            bReference_ = false;  // this image's orientation is the reference now
        }
        PointRecord point;
        point.imageNumber = imageNumber_;
        if (walk_.hasSlewTarget && s_.bZigZag()) {
            point.target = walk_.slewTarget;
        }
        point.status = solution.status;
        point.statusText = solution.text;
        point.mount = MountPosition(st_);
        st_.record.addPoint(point);
        if (bFailed) {
            plateSolutionFailed(solution.text);
            move();
            return;
        }

        st_.error.clear();
        errors_.step = "Get Object RA and DEC from TheSky";
        errors_.yieldOrReturn();
        solution.position =
            ReadPlateSolution(st_, errors_.step, [this](auto&& call) { return act(call); });
        if (!solution.position) {
            // A solution read only in part is no solution of this point; it must not reach the
            // mount, and the walk goes on from the target.
            st_.record.setStatus(errors_.lastFailure.number, errors_.lastFailure.description);
            plateSolutionFailed(errors_.lastFailure.description);
            move();
            return;
        }
        const SkyPosition solved = *solution.position;
        walk_.current = solved;
        bPositionKnown_ = true;
        st_.record.setSolved(solved);
        st_.log.AddLog("Plate Solution: RA = " + GeneralNumber(solved.ra) +
                       " DEC = " + GeneralNumber(solved.dec));
        const bool bTarget = walk_.hasSlewTarget && s_.bZigZag();
        st_.log.AddLog("Mount Position: RA = " +
                       (bTarget ? GeneralNumber(walk_.slewTarget.ra) : std::string()) +
                       " DEC = " + (bTarget ? GeneralNumber(walk_.slewTarget.dec) : std::string()));
        errors_.yieldOrReturn();
        PromptOnError(st_, bError_);

        report(solved);
        failures_ = 0;
        move();
    }

    // Where MaxIm DL's image goes to be solved: the image link searches only near this position.
    // A list move says nothing of right ascension and declination, so after one the last plate
    // solution may lie anywhere on the sky; the mount's own reading is near enough. When it
    // cannot be read the last known position is still the best guess, so nobody is asked.
    SkyPosition solverHint() {
        SkyPosition hint = walk_.current;
        if (s_.bFractal() && s_.bMaxim()) {
            const auto& tele = st_.devices.telescope;
            SkyPosition read;
            if (Attempt([&] {
                    Require(tele).GetRaDec();
                    read = {tele->dRA(), tele->dDec()};
                })) {
                hint = read;
            }
        }
        return hint;
    }

    void plateSolutionFailed(const std::string& description) {
        BringToFront(st_);
        errors_.status("ERROR: Plate Solution failed: " + description, true);
        st_.ui.repaint(Label::Status);
        st_.ui.yield();
        ++failures_;
        if (failures_ > 3) {
            const Answer answer = st_.ui.messageBox(
                "Star pattern not recognized! Do you want to try to continue?",
                "KOV - Plate Solution Error", Buttons::YesNoCancel, Icon::Exclamation);
            if (answer != Answer::Yes) {
                st_.log.AddLog("Aborting: too many errors!");
                st_.record.end(RunEnding::Incomplete);
                throw LeaveLoop{Leave::EndOfRun};
            }
        }
        ++st_.run.nRemaining;  // the failed point does not count
    }

    // A START run sends the solution to the controller; a TEST run measures how far the slew
    // landed (Zig-Zag) or moves on to the next list point (Map Points).
    void report(const SkyPosition& solved) {
        if (bError_) {
            return;
        }
        if (!bTest_) {
            errors_.status(bFirst_ ? "Doing Sync" : "Doing Additional Align", true);
            st_.ui.repaint(Label::Status);
            errors_.yieldOrReturn();
            errors_.step = "Doing Telescope Sync";
            errors_.yieldOrReturn();
            ShowGeminiTerms(st_, bFirst_ ? SentAs::Sync : SentAs::Alignment, solved,
                            "New Gemini Result - ");
            return;
        }
        if (bFirst_) {
            return;
        }
        if (s_.bZigZag()) {
            pointingStatistics(solved);
            return;
        }
        ++st_.run.nListPoint;
        errors_.step = "Moving to the next list point";
        MoveToListOrAsk(st_, errors_, "Cannot slew to new list coordinates");
    }

    void pointingStatistics(const SkyPosition& solved) {
        statistics_.add(walk_.slewTarget, solved);
        const double rms = statistics_.rmsDeg();
        const double peak = statistics_.peakDeg();
        st_.record.setTestStatistics(rms, peak);
        std::shared_ptr<DriverUtil> util;
        std::string rmsText;
        std::string peakText;
        act([&] { util = st_.objects.createDriverUtil(progid::kUtil); });
        act([&] { rmsText = Require(util).DegreesToDMS(rms, ":", ":", ""); });
        act([&] { peakText = Require(util).DegreesToDMS(peak, ":", ":", ""); });
        st_.ui.setLabel(Label::GeminiResult, "RMS=" + rmsText + "  Peak=" + peakText);
        st_.ui.yield();
    }

    // --- The walk's next target -------------------------------------------------------------

    void move() {
        if (s_.bFractal()) {
            errors_.step = "Moving to the next list point";
            bFirst_ = false;
            ++st_.run.nListPoint;
            MoveToListOrAsk(st_, errors_, "");
            return;
        }
        const bool bFirstStep = walk_.bFirst;
        const SkyPosition from = walk_.current;
        errors_.step = "Finding the next position of the walk";
        act([&] { NextTarget(walk_, s_); });
        if (bFirstStep && !walk_.bFirst) {
            start_ = walk_.start;
            bStartKnown_ = bPositionKnown_;
        }
        bFirst_ = false;
        errors_.status("Slewing to new location", false);
        st_.ui.repaint(Label::Status);
        st_.log.AddLog("Slewing to new location RA=" + GeneralNumber(walk_.current.ra) +
                       " Dec=" + GeneralNumber(walk_.current.dec));
        errors_.yieldOrReturn();
        errors_.step = "Slewing to new RA and DEC";
        SlewAndWait(st_, errors_, from, walk_.current, WaitOrder::YieldSleepAppend);
        if (st_.run.bStop) {
            throw LeaveLoop{Leave::Return};
        }
        TurnDeclination(walk_);
    }

    void delay() {
        const double seconds = number(s_.Delay);
        if (seconds <= 0) {
            return;
        }
        st_.ui.setLabel(Label::Status, "Delay..." + GeneralNumber(seconds));
        for (double remaining = seconds * 1000.0; remaining > 0; remaining -= 500.0) {
            st_.ui.setLabel(Label::Status, "Delay..." + OneDecimal(remaining / 1000.0));
            st_.ui.yield();
            if (st_.run.bStop) {
                throw LeaveLoop{Leave::EndOfRun};
            }
            st_.clock.sleep(500);
        }
    }

    // --- The end of the run -----------------------------------------------------------------

    void endOfRun() {
        try {
            errors_.step = kSlewingBack;
            st_.log.AddLog(errors_.step);
            if (bStartKnown_ && st_.devices.telescope) {
                errors_.status(kSlewingBack, false);
                st_.ui.repaint(Label::Status);
                st_.ui.yield();
                SlewAndWait(st_, errors_, walk_.current, start_, WaitOrder::SleepYieldAppend);
            }
            errors_.status("Modeling run completed!", true);
        } catch (const LeaveLoop&) {
            // The operator declined to go on after an error in the slew back.
        }
    }

    Station& st_;
    RunSettings& s_;
    const bool bTest_;
    RunErrorPath errors_;

    ZigZagWalk walk_;  // its current position is the loop's current position
    SkyPosition start_;
    bool bStartKnown_ = false;
    bool bPositionKnown_ = false;
    bool bFirst_ = true;
    // CCDSoft compares each image's orientation with the reference image's. The first move
    // clears bFirst whether or not the first point solved, so a failed first point would leave
    // no reference and fail every later image: the reference is the first image that solves.
    bool bReference_ = true;
    int failures_ = 0;
    bool bError_ = false;
    int imageNumber_ = 0;
    TestStatistics statistics_;
};

}  // namespace

void TargetLoop(Station& st, bool bTest) {
    Loop(st, bTest).run();
}

}  // namespace kov

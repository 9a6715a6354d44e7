#include "run/target_loop.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>

#include "imaging/expose_ccdsoft.h"
#include "imaging/expose_maxim.h"
#include "mount/attempt.h"
#include "mount/gemini_exchange.h"
#include "mount/model_result_text.h"
#include "mount/move_to_list_point.h"
#include "run/run_state.h"
#include "run/zigzag_walk.h"
#include "station/station.h"
#include "station/texts.h"

namespace kov {

namespace {

constexpr const char* kSlewObjectName = "KovSkyMapper";
constexpr const char* kSlewingBack = "Slewing to starting position";
constexpr int kFailedPollsToGiveUp = 3;  // consecutive polls of a slew that raised

// How the loop leaves before the last point: thrown from deep inside a pass, caught once.
enum class Leave {
    Return,    // at once, telescope where it is (a stop, or the operator declined after an error)
    EndOfRun,  // through the end of the run: slew back, "Modeling run completed!"
};
struct LeaveLoop {
    Leave how;
};

// The order of the three waiting actions of a slew wait.
enum class WaitOrder { YieldSleepAppend, SleepYieldAppend };

// "0.0": one decimal, as the delay count-down shows the seconds left.
std::string OneDecimal(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// An error in degrees the short way round: 0 to 180.
double FoldDegrees(double deg) {
    const double folded = AdjustDeg(std::fabs(deg));
    return folded > 180.0 ? 360.0 - folded : folded;
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

class Loop {
  public:
    Loop(Station& st, bool bTest) : st_(st), s_(st.settings), bTest_(bTest) {}

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
    // --- The error path ----------------------------------------------------------------------

    // One action of the loop. An automation error it raises goes to the error path; on Yes the
    // loop goes on with the next action, so the caller learns only that this one failed.
    template <class Action>
    bool act(Action&& action) {
        try {
            std::forward<Action>(action)();
            return true;
        } catch (const AutomationError& failure) {
            st_.error.set(failure);
            lastFailure_ = st_.error;
            errorPath();
            return false;
        }
    }

    void errorPath() {
        st_.ui.setLabel(Label::Status, "Error!");
        st_.ui.repaint(Label::Status);
        BringToFront(st_);
        const std::string message = "Error occurred: " + step_ + kCrLf + st_.error.description;
        st_.log.AddLog(message);
        const Answer answer =
            st_.ui.messageBox(message + kCrLf + "Do you want to continue? ", "KOV - ERROR",
                              Buttons::YesNoCancel, Icon::Critical);
        if (answer == Answer::Yes) {
            st_.error.clear();
            status("Continuing...", true);
            st_.ui.repaint(Label::Status);
            return;
        }
        incomplete();
    }

    // The operator declined to go on: the mount stays where it is, so nothing more moves.
    [[noreturn]] void incomplete() {
        step_ = kSlewingBack;
        st_.log.AddLog(step_);
        status("Modeling run incomplete!", true);
        st_.ui.repaint(Label::Status);
        st_.ui.yield();
        st_.record.end(RunEnding::Incomplete);
        throw LeaveLoop{Leave::Return};
    }

    // --- Small helpers ----------------------------------------------------------------------

    void status(const std::string& text, bool bLog) {
        st_.ui.setLabel(Label::Status, text);
        if (bLog) {
            st_.log.AddLog(text);
        }
    }
    void appendDot() { st_.ui.setLabel(Label::Status, st_.ui.label(Label::Status) + "."); }

    // Yields to the window; a stop confirmed meanwhile ends the run where it stands.
    void yieldOrReturn() {
        st_.ui.yield();
        if (st_.run.bStop) {
            throw LeaveLoop{Leave::Return};
        }
    }

    double number(const Observable<std::string>& field) {
        double value = 0.0;
        act([&] { value = LeadingNumber(field()); });
        return value;
    }

    void slewAndWait(const SkyPosition& to, WaitOrder order) {
        const auto& tele = st_.devices.telescope;
        act([&] { Require(tele).SetAsynchronous(true); });
        // A slew that was refused has nothing to wait for.
        const bool bStarted =
            act([&] { Require(tele).SlewToRaDec(to.ra, to.dec, kSlewObjectName); });
        for (int failedPolls = 0; bStarted;) {
            // A poll that raised tells nothing about the mount: it is taken as still moving, so
            // no image is taken while the mount may be on its way. A mount that cannot be
            // watched at all ends the run rather than asking every half second.
            int done = 0;
            if (act([&] { done = Require(tele).IsSlewComplete(); })) {
                failedPolls = 0;
            } else if (++failedPolls >= kFailedPollsToGiveUp) {
                incomplete();
            }
            if (done != 0) {
                break;
            }
            if (order == WaitOrder::YieldSleepAppend) {
                st_.ui.yield();
                st_.clock.sleep(500);
            } else {
                st_.clock.sleep(500);
                st_.ui.yield();
            }
            appendDot();
        }
        act([&] { Require(tele).SetAsynchronous(false); });
    }

    // A list move that fails, by an error or a false result without a stop, asks the operator;
    // a Yes goes on to the next list point, since the failed one cannot be imaged. Once every
    // point of the list has failed in a row, going round again would only ask again: the run
    // ends as when the operator declines.
    void moveToList(const char* failureText) {
        for (std::size_t failed = 1;; ++failed) {
            bool bArrived = false;
            if (act([&] { bArrived = MoveToListPoint(st_, st_.run.nListPoint); })) {
                if (bArrived) {
                    return;
                }
                if (st_.run.bStop) {
                    throw LeaveLoop{Leave::Return};
                }
                st_.error.description = failureText;
                errorPath();
            }
            if (failed >= std::max<std::size_t>(1, st_.points.size())) {
                incomplete();
            }
            ++st_.run.nListPoint;
        }
    }

    std::string imageNumberText() {
        const double asked = number(s_.NumberOfAligns);
        imageNumber_ = ToInt32(asked - st_.run.nRemaining + 1);
        return "Image " + GeneralNumber(asked - st_.run.nRemaining + 1) + "/" +
               GeneralNumber(asked);
    }

    // --- The run ------------------------------------------------------------------------------

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

        step_ = "Retrieving RA and DEC";
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

        step_ = "Getting Gemini alignment results";
        if (GetGeminiResult(st_, a_, e_, 0.0, 0.0, 0)) {
            const std::string text = ModelResultText(a_, e_);
            st_.ui.setLabel(Label::GeminiResult, text);
            st_.log.AddLog(text);
            st_.record.setStartTerms({a_, e_});
        }
        act([&] { Require(tele).Connect(); });

        if (s_.bFractal()) {
            step_ = "Getting initial coordinates";
            st_.run.nListPoint = 0;
            step_ = "Moving to initial fractal coordinates";
            moveToList("Cannot slew to initial list coordinates");
        }
    }

    void pass() {
        st_.error.clear();
        const std::string imageText = imageNumberText();
        st_.ui.setLabel(Label::ImageNumber, imageText);
        st_.log.AddLog(imageText);

        bError_ = false;
        step_ = "Exposing image and plate solving";
        const SkyPosition hint = solverHint();
        const bool bExposed = act([&] {
            if (s_.bCCDSoft()) {
                ExposeCCDSoft(st_, bReference_);
            } else {
                ExposeMaxim(st_, hint.ra, hint.dec);
            }
        });
        // An exposure that raised left no solution of this point: whatever the planetarium
        // holds is an earlier one, so the point goes the way of a failed plate solution.
        const ErrorState solution = bExposed ? st_.error : lastFailure_;
        const bool bFailed = !bExposed || solution.failed();
        if (!bFailed) {
            bReference_ = false;  // this image's orientation is the reference now
        }
        PointRecord point;
        point.imageNumber = imageNumber_;
        if (walk_.hasSlewTarget && s_.bZigZag()) {
            point.target = walk_.slewTarget;
        }
        point.status = solution.number;
        point.statusText = solution.description;
        point.mount = mountPosition();
        st_.record.addPoint(point);
        if (bFailed) {
            plateSolutionFailed(solution.description);
            move();
            return;
        }

        st_.error.clear();
        step_ = "Get Object RA and DEC from TheSky";
        yieldOrReturn();
        const auto& sky = st_.devices.planetarium;
        SkyPosition solved;
        bool bSolved = act([&] { Require(sky).GetObjectRaDec("Image Link Information"); });
        step_ = "Retrieving RA and DEC";
        bSolved = act([&] { solved.ra = Require(sky).dObjectRa(); }) && bSolved;
        bSolved = act([&] { solved.dec = Require(sky).dObjectDec(); }) && bSolved;
        if (!bSolved) {
            // A solution read only in part is no solution of this point; it must not reach the
            // mount, and the walk goes on from the target.
            st_.record.setStatus(lastFailure_.number, lastFailure_.description);
            plateSolutionFailed(lastFailure_.description);
            move();
            return;
        }
        walk_.current = solved;
        bPositionKnown_ = true;
        st_.record.setSolved(solved);
        st_.log.AddLog("Plate Solution: RA = " + GeneralNumber(solved.ra) +
                       " DEC = " + GeneralNumber(solved.dec));
        const bool bTarget = walk_.hasSlewTarget && s_.bZigZag();
        st_.log.AddLog("Mount Position: RA = " +
                       (bTarget ? GeneralNumber(walk_.slewTarget.ra) : std::string()) +
                       " DEC = " + (bTarget ? GeneralNumber(walk_.slewTarget.dec) : std::string()));
        yieldOrReturn();
        PromptOnError(st_, bError_);

        report(solved);
        failures_ = 0;
        move();
    }

    // Only for the charts: a mount that cannot say where it points costs the run nothing, so
    // nobody is asked and the error state is left as the exposure made it.
    std::optional<HorizontalPosition> mountPosition() {
        const auto& tele = st_.devices.telescope;
        HorizontalPosition at;
        if (Attempt([&] {
                Require(tele).GetAzAlt();
                at = {tele->dAlt(), tele->dAz()};
            })) {
            return at;
        }
        return std::nullopt;
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
        status("ERROR: Plate Solution failed: " + description, true);
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

    void report(const SkyPosition& solved) {
        if (bError_) {
            return;
        }
        if (!bTest_) {
            status(bFirst_ ? "Doing Sync" : "Doing Additional Align", true);
            st_.ui.repaint(Label::Status);
            yieldOrReturn();
            step_ = "Doing Telescope Sync";
            yieldOrReturn();
            const int sync = bFirst_ ? 1 : 2;
            st_.record.setSent(sync);
            if (GetGeminiResult(st_, a_, e_, solved.ra, solved.dec, sync)) {
                const std::string text = ModelResultText(a_, e_);
                st_.ui.setLabel(Label::GeminiResult, text);
                st_.log.AddLog("New Gemini Result - " + text);
                st_.record.setTerms({a_, e_});
            }
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
        moveToList("Cannot slew to new list coordinates");
    }

    void pointingStatistics(const SkyPosition& solved) {
        const double raError = FoldDegrees((walk_.slewTarget.ra - solved.ra) / 24.0 * 360.0);
        const double decError = FoldDegrees(walk_.slewTarget.dec - solved.dec);
        sumOfSquares_ += raError * raError + decError * decError;
        peak_ = std::max({peak_, raError, decError});
        ++count_;
        const double rms = std::sqrt(sumOfSquares_ / count_);
        st_.record.setTestStatistics(rms, peak_);
        std::shared_ptr<DriverUtil> util;
        std::string rmsText;
        std::string peakText;
        act([&] { util = st_.objects.createDriverUtil(progid::kUtil); });
        act([&] { rmsText = Require(util).DegreesToDMS(rms, ":", ":", ""); });
        act([&] { peakText = Require(util).DegreesToDMS(peak_, ":", ":", ""); });
        st_.ui.setLabel(Label::GeminiResult, "RMS=" + rmsText + "  Peak=" + peakText);
        st_.ui.yield();
    }

    void move() {
        if (s_.bFractal()) {
            bFirst_ = false;
            ++st_.run.nListPoint;
            moveToList("");
            return;
        }
        const bool bFirstStep = walk_.bFirst;
        act([&] { NextTarget(walk_, s_); });
        if (bFirstStep && !walk_.bFirst) {
            start_ = walk_.start;
            bStartKnown_ = bPositionKnown_;
        }
        bFirst_ = false;
        status("Slewing to new location", false);
        st_.ui.repaint(Label::Status);
        st_.log.AddLog("Slewing to new location RA=" + GeneralNumber(walk_.current.ra) +
                       " Dec=" + GeneralNumber(walk_.current.dec));
        yieldOrReturn();
        step_ = "Slewing to new RA and DEC";
        slewAndWait(walk_.current, WaitOrder::YieldSleepAppend);
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

    void endOfRun() {
        try {
            step_ = kSlewingBack;
            st_.log.AddLog(step_);
            if (bStartKnown_ && st_.devices.telescope) {
                status(kSlewingBack, false);
                st_.ui.repaint(Label::Status);
                st_.ui.yield();
                slewAndWait(start_, WaitOrder::SleepYieldAppend);
            }
            status("Modeling run completed!", true);
        } catch (const LeaveLoop&) {
            // The operator declined to go on after an error in the slew back.
        }
    }

    Station& st_;
    RunSettings& s_;
    const bool bTest_;

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
    std::string step_;
    ErrorState lastFailure_;
    int imageNumber_ = 0;
    double a_ = 0.0;
    double e_ = 0.0;
    double sumOfSquares_ = 0.0;
    std::int32_t count_ = 0;
    double peak_ = 0.0;
};

}  // namespace

void TargetLoop(Station& st, bool bTest) {
    Loop(st, bTest).run();
}

}  // namespace kov

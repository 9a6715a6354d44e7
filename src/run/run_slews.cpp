#include "run/run_slews.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>

#include "mount/move_to_list_point.h"
#include "run/run_error_path.h"
#include "station/attempt.h"
#include "station/texts.h"
#include "station/wait_bounds.h"

namespace kov {

namespace {

constexpr const char* kSlewObjectName = "KovSkyMapper";
constexpr int kFailedPollsToGiveUp = 3;  // consecutive polls of a slew that raised

void AppendDot(Station& st) {
    st.ui.setLabel(Label::Status, st.ui.label(Label::Status) + ".");
}

}  // namespace

double AngularDistanceDeg(const SkyPosition& a, const SkyPosition& b) {
    constexpr double kRad = 3.14159265358979323846 / 180.0;
    const double cosine =
        std::sin(a.dec * kRad) * std::sin(b.dec * kRad) +
        std::cos(a.dec * kRad) * std::cos(b.dec * kRad) * std::cos((a.ra - b.ra) * 15.0 * kRad);
    return std::acos(std::clamp(cosine, -1.0, 1.0)) / kRad;
}

void SlewAndWait(Station& st, RunErrorPath& errors, const SkyPosition& from, const SkyPosition& to,
                 WaitOrder order) {
    const auto& tele = st.devices.telescope;
    const WaitBound bound(st.clock, SlewLimitMs(AngularDistanceDeg(from, to)));
    errors.act([&] { Require(tele).SetAsynchronous(true); });
    // A slew that was refused has nothing to wait for.
    const bool bStarted =
        errors.act([&] { Require(tele).SlewToRaDec(to.ra, to.dec, kSlewObjectName); });
    for (int failedPolls = 0; bStarted;) {
        // A poll that raised tells nothing about the mount: it is taken as still moving, so
        // no image is taken while the mount may be on its way. A mount that cannot be
        // watched at all ends the run rather than asking every half second.
        int done = 0;
        if (errors.act([&] { done = Require(tele).IsSlewComplete(); })) {
            failedPolls = 0;
        } else if (++failedPolls >= kFailedPollsToGiveUp) {
            errors.incomplete();
        }
        if (done != 0) {
            break;
        }
        if (bound.expired()) {
            st.error.set(kErrTimedOut, "The mount did not finish its slew to RA=" +
                                           GeneralNumber(to.ra) + " Dec=" + GeneralNumber(to.dec) +
                                           " within " + std::to_string(bound.limitSeconds()) +
                                           " seconds: check the mount and its connection");
            errors.lastFailure = st.error;
            errors.ask();
            break;
        }
        if (order == WaitOrder::YieldSleepAppend) {
            st.ui.yield();
            st.clock.sleep(500);
        } else {
            st.clock.sleep(500);
            st.ui.yield();
        }
        AppendDot(st);
    }
    errors.act([&] { Require(tele).SetAsynchronous(false); });
}

void MoveToListOrAsk(Station& st, RunErrorPath& errors, const char* failureText) {
    for (std::size_t failed = 1;; ++failed) {
        bool bArrived = false;
        if (errors.act([&] { bArrived = MoveToListPoint(st, st.run.nListPoint); })) {
            if (bArrived) {
                return;
            }
            if (st.run.bStop) {
                throw LeaveLoop{Leave::Return};
            }
            st.error.description = failureText;
            errors.ask();
        }
        if (failed >= std::max<std::size_t>(1, st.points.size())) {
            errors.incomplete();
        }
        ++st.run.nListPoint;
    }
}

}  // namespace kov

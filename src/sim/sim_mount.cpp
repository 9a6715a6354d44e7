#include "sim/sim_mount.h"

#include <algorithm>
#include <cmath>

namespace kov::sim {

SimMount::SimMount(const PointingTerms& trueErrors, const HaDec& startAxes, double lst,
                   double slewRate, double settleSeconds)
    : errors_(trueErrors), rate_(slewRate), settle_(settleSeconds) {
    fromRa_ = toRa_ = WrapHours(lst - startAxes.ha);
    fromDec_ = toDec_ = startAxes.dec;
}

HaDec SimMount::axesAt(double now, double lst) const {
    double ra = toRa_;
    double dec = toDec_;
    if (now < moveEnd_ && moveEnd_ > start_) {
        const double f = std::clamp((now - start_) / (moveEnd_ - start_), 0.0, 1.0);
        ra = fromRa_ + WrapSignedHours(toRa_ - fromRa_) * f;
        dec = fromDec_ + (toDec_ - fromDec_) * f;
    }
    return {WrapSignedHours(lst - ra), dec};
}

void SimMount::slewTo(const HaDec& axes, double now, double lst, const Offsets& repeatability) {
    const HaDec here = axesAt(now, lst);
    fromRa_ = WrapHours(lst - here.ha);
    fromDec_ = here.dec;
    toRa_ = WrapHours(lst - axes.ha);
    toDec_ = axes.dec;
    const double travel =
        std::max(std::fabs(WrapSignedHours(toRa_ - fromRa_)) * 15.0, std::fabs(toDec_ - fromDec_));
    start_ = now;
    moveEnd_ = now + travel / rate_;
    settleEnd_ = moveEnd_ + settle_;
    repeatability_ = repeatability;
}

void SimMount::finishSlew(double now) {
    fromRa_ = toRa_;
    fromDec_ = toDec_;
    start_ = moveEnd_ = settleEnd_ = now;
}

HaDec SimMount::trueSky(double now, double lst) const {
    HaDec sky = AxesToSky(errors_, axesAt(now, lst));
    const double cosDec = std::max(std::cos(sky.dec * kDegToRad), 1e-6);
    sky.ha += repeatability_.dH / cosDec / (15.0 * kArcsecPerDegree);
    sky.dec += repeatability_.dDec / kArcsecPerDegree;
    return sky;
}

}  // namespace kov::sim

#include "sim/sim_mount.h"

#include <algorithm>
#include <cmath>

namespace kov::sim {

namespace {

// Mechanical angles of an axis position: on the west side of the pier the declination axis has
// gone over the pole and the hour angle axis stands half a turn round.
void ToMechanical(const AxisPosition& p, double lst, double& ra, double& dec) {
    if (p.side == PierSide::East) {
        ra = WrapHours(lst - p.axes.ha);
        dec = p.axes.dec;
    } else {
        ra = WrapHours(lst - p.axes.ha - 12.0);
        dec = 180.0 - p.axes.dec;
    }
}

AxisPosition FromMechanical(double ra, double dec, double lst) {
    if (dec > 90.0) {
        return {{WrapSignedHours(lst - ra - 12.0), 180.0 - dec}, PierSide::West};
    }
    return {{WrapSignedHours(lst - ra), dec}, PierSide::East};
}

}  // namespace

SimMount::SimMount(const PointingTerms& trueErrors, const AxisPosition& start, double lst,
                   double slewRate, double settleSeconds)
    : errors_(trueErrors), rate_(slewRate), settle_(settleSeconds) {
    ToMechanical(start, lst, toRa_, toDec_);
    fromRa_ = toRa_;
    fromDec_ = toDec_;
}

AxisPosition SimMount::axesAt(double now, double lst) const {
    double ra = toRa_;
    double dec = toDec_;
    if (now < moveEnd_ && moveEnd_ > start_) {
        const double f = std::clamp((now - start_) / (moveEnd_ - start_), 0.0, 1.0);
        ra = fromRa_ + WrapSignedHours(toRa_ - fromRa_) * f;
        dec = fromDec_ + (toDec_ - fromDec_) * f;
    }
    return FromMechanical(ra, dec, lst);
}

void SimMount::slewTo(const AxisPosition& target, double now, double lst,
                      const Offsets& repeatability) {
    const AxisPosition here = axesAt(now, lst);
    ToMechanical(here, lst, fromRa_, fromDec_);
    ToMechanical(target, lst, toRa_, toDec_);
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
    const AxisPosition at = axesAt(now, lst);
    HaDec sky = AxesToSky(errors_, at.axes, at.side);
    const double cosDec = std::max(std::cos(sky.dec * kDegToRad), 1e-6);
    sky.ha += repeatability_.dH / cosDec / (15.0 * kArcsecPerDegree);
    sky.dec += repeatability_.dDec / kArcsecPerDegree;
    return FoldPole(sky);
}

}  // namespace kov::sim

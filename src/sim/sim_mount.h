#pragma once

#include "sim/pointing_model.h"
#include "sim/sky_math.h"

namespace kov::sim {

// The mechanics of the mount: where its axes stand, how they move, and where the optics really
// point. The axes track the sky, so their position is held as a mechanical right ascension
// (sidereal time minus the hour angle axis) that stays put between slews.
class SimMount {
  public:
    SimMount(const PointingTerms& trueErrors, const HaDec& startAxes, double lst, double slewRate,
             double settleSeconds);

    // The axis position at a time, moving linearly along a slew.
    HaDec axesAt(double now, double lst) const;

    // Starts a slew to an axis position; the new repeatability offset applies from its end.
    void slewTo(const HaDec& axes, double now, double lst, const Offsets& repeatability);
    // Puts the axes at the end of the current slew at once.
    void finishSlew(double now);

    bool slewing(double now) const { return now < settleEnd_; }
    double slewEnd() const { return settleEnd_; }

    // The direction the optics see: the true errors applied to the axes, plus repeatability.
    HaDec trueSky(double now, double lst) const;

  private:
    PointingTerms errors_;
    double rate_;
    double settle_;
    double fromRa_ = 0.0;  // mechanical right ascension, hours
    double fromDec_ = 0.0;
    double toRa_ = 0.0;
    double toDec_ = 0.0;
    double start_ = 0.0;
    double moveEnd_ = 0.0;
    double settleEnd_ = 0.0;
    Offsets repeatability_;
};

}  // namespace kov::sim

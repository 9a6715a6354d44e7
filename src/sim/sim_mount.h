#pragma once

#include "sim/pointing_model.h"
#include "sim/sky_math.h"

namespace kov::sim {

// Where the axes of a German mount stand: the hour angle and declination they are set to, and
// the side of the pier the tube is on.
struct AxisPosition {
    HaDec axes;
    PierSide side = PierSide::East;
};

// The mechanics of a German equatorial mount: where its axes stand, how they move, and where the
// optics really point. The axes are held as mechanical angles: the declination axis runs on past
// 90 degrees over the pole onto the west side of the pier (tube west, looking east), where the
// hour angle axis stands half a turn from the hour angle it points at. The hour angle axis is held
// as a mechanical right ascension (sidereal time minus the axis angle), which tracking keeps put.
class SimMount {
  public:
    SimMount(const PointingTerms& trueErrors, const AxisPosition& start, double lst,
             double slewRate, double settleSeconds);

    // The axis position at a time, moving linearly along a slew, with the pier side it is on.
    AxisPosition axesAt(double now, double lst) const;

    // Starts a slew to an axis position; the new repeatability offset applies from its end. A
    // change of pier side swings both axes through the meridian flip and takes its full time.
    void slewTo(const AxisPosition& target, double now, double lst, const Offsets& repeatability);
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
    double fromRa_ = 0.0;   // mechanical right ascension, hours
    double fromDec_ = 0.0;  // mechanical declination, -90 to 270 degrees
    double toRa_ = 0.0;
    double toDec_ = 0.0;
    double start_ = 0.0;
    double moveEnd_ = 0.0;
    double settleEnd_ = 0.0;
    Offsets repeatability_;
};

}  // namespace kov::sim

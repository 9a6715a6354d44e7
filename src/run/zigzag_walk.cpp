#include "run/zigzag_walk.h"

#include <cmath>

#include "model/run_settings.h"
#include "station/texts.h"

namespace kov {

namespace {

// Steps and ranges are set in degrees; right ascension walks in hours.
double Hours(double degrees) {
    return degrees * 24 / 360;
}

// One correction only, as a position read from the mount never needs more.
double WrapHoursOnce(double hours) {
    if (hours < 0) {
        return hours + 24;
    }
    if (hours >= 24) {
        return hours - 24;
    }
    return hours;
}

// Where a right ascension lies from the middle of the range, in -12..12 h, so that a range
// across 0 h compares as the piece of the circle it is.
double OffsetFromMiddle(const ZigZagWalk& walk, double ra) {
    const double middle = walk.raLower + walk.raRange / 2;
    double offset = std::fmod(ra - middle, 24.0);
    if (offset < -12) {
        offset += 24;
    } else if (offset >= 12) {
        offset -= 24;
    }
    return offset;
}

// The right-ascension walk turns before a step that would leave its range. A range that does
// not cross 0 h is compared as plain numbers; one that does is compared on the circle, or every
// target on the far side of 0 h would look out of range and the walk would turn at once.
bool LeavesRaRange(const ZigZagWalk& walk, double trial) {
    if (!walk.raStraddlesZero) {
        return (walk.raDirection == 1 && trial < walk.raLower) ||
               (walk.raDirection == -1 && trial > walk.raUpper);
    }
    const double offset = OffsetFromMiddle(walk, trial);
    return (walk.raDirection == 1 && offset < -walk.raRange / 2) ||
           (walk.raDirection == -1 && offset > walk.raRange / 2);
}

bool PastAPole(double dec) {
    return dec > 90 || dec < -90;
}

}  // namespace

void NextTarget(ZigZagWalk& walk, const RunSettings& settings) {
    SkyPosition& current = walk.current;
    if (walk.bFirst) {
        walk.bFirst = false;
        walk.start = current;
        const double w = Hours(LeadingNumber(settings.ReverseRA()));
        if (walk.raDirection == 1) {
            walk.raUpper = current.ra;
            walk.raLower = current.ra - w;
        } else {
            walk.raUpper = current.ra + w;
            walk.raLower = current.ra;
        }
        const double upper = WrapHoursOnce(walk.raUpper);
        const double lower = WrapHoursOnce(walk.raLower);
        walk.raStraddlesZero = upper != walk.raUpper || lower != walk.raLower;
        walk.raUpper = upper;
        walk.raLower = lower;
        walk.raRange = w;
        current.ra = current.ra - walk.raDirection * Hours(LeadingNumber(settings.InitialMoveRA()));
        const double decRange = LeadingNumber(settings.DECMaxRange());
        walk.decUpper = current.dec + decRange / 2;
        walk.decLower = current.dec - decRange / 2;
    } else {
        const double step = Hours(LeadingNumber(settings.MoveInRA()));
        const double trial = current.ra - walk.raDirection * step;
        if (LeavesRaRange(walk, trial)) {
            walk.raDirection = -walk.raDirection;
        }
        current.ra = current.ra - walk.raDirection * step;
    }

    // The declination walk turns only after reaching an edge (TurnDeclination), but a step past
    // a pole is no position at all: it turns before such a step instead.
    const double decStep = LeadingNumber(settings.MoveInDEC());
    double dec = current.dec - walk.decDirection * decStep;
    if (PastAPole(dec)) {
        walk.decDirection = -walk.decDirection;
        dec = current.dec - walk.decDirection * decStep;
        if (PastAPole(dec)) {
            dec = current.dec;  // a step wider than the sky: stay at this declination
        }
    }
    current.dec = dec;

    current.ra = WrapHoursOnce(current.ra);
    if (current.dec <= -360) {
        current.dec += 360;
    } else if (current.dec >= 360) {
        current.dec -= 360;
    }

    walk.slewTarget = current;
    walk.slewTarget.ra = WrapHoursOnce(walk.slewTarget.ra);
    if (walk.slewTarget.dec < 0) {
        walk.slewTarget.dec += 360;
    } else if (walk.slewTarget.dec >= 360) {
        walk.slewTarget.dec -= 360;
    }
    walk.hasSlewTarget = true;
}

void TurnDeclination(ZigZagWalk& walk) {
    if (walk.decDirection == 1 && walk.current.dec <= walk.decLower) {
        walk.decDirection = -1;
    } else if (walk.decDirection == -1 && walk.current.dec >= walk.decUpper) {
        walk.decDirection = 1;
    }
}

}  // namespace kov

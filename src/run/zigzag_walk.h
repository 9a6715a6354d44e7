#pragma once

#include "model/sky_position.h"

namespace kov {

struct RunSettings;

// The state of the Zig-Zag pattern for one run. The loop keeps it for the whole run and
// writes the measured position of each point into `current` before asking for the next target.
struct ZigZagWalk {
    SkyPosition current;   // the position the next step is taken from
    SkyPosition start;     // replaced by `current` on the first step
    int raDirection = 1;   // +1 walks west (RA decreases), -1 walks east
    int decDirection = 1;  // +1 walks towards lower declination, -1 towards higher
    double raUpper = 0.0;  // hours, fixed on the first step
    double raLower = 0.0;
    double decUpper = 0.0;  // degrees, fixed on the first step
    double decLower = 0.0;
    bool bFirst = true;          // the next step is the run's first
    bool hasSlewTarget = false;  // false until the first step
    SkyPosition slewTarget;      // `current` brought into 0..24 h and 0..360 degrees

    // Set on the first step: the width of the right-ascension range, and whether one of its
    // limits had to be brought back into 0..24 h, i.e. the range straddles 0 h.
    double raRange = 0.0;  // hours
    bool raStraddlesZero = false;
};

// Moves `current` to the next target of the walk (and sets `slewTarget`); the loop slews there.
void NextTarget(ZigZagWalk& walk, const RunSettings& settings);

// Turns the declination walk at or past an edge; applied once the slew has finished.
void TurnDeclination(ZigZagWalk& walk);

}  // namespace kov

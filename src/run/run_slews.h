#pragma once

#include "model/sky_position.h"

namespace kov {

struct Station;
class RunErrorPath;

// The order of the three waiting actions of a slew wait: the walk's slews yield first, the slew
// back sleeps first.
enum class WaitOrder { YieldSleepAppend, SleepYieldAppend };

// Slews the TheSky telescope to `to` asynchronously and waits for it, a dot on the Status label
// each half second. Each call is a step of the error path; a refused slew has nothing to wait
// for, and a mount whose slew cannot be watched three polls in a row ends the run.
// A slew that has not finished within a time derived from its distance from `from` (the last
// known position) goes to the error path with a text saying so; on Yes the run goes on from
// where the mount is.
void SlewAndWait(Station& st, RunErrorPath& errors, const SkyPosition& from, const SkyPosition& to,
                 WaitOrder order);

// The angle between two places on the sky, degrees.
double AngularDistanceDeg(const SkyPosition& a, const SkyPosition& b);

// Moves to the run's current list point (nListPoint). A move that fails, by an error or a false
// result without a stop, asks the operator with failureText; a Yes goes on to the next list
// point. Once every point of the list has failed in a row the run ends as when the operator
// declines.
void MoveToListOrAsk(Station& st, RunErrorPath& errors, const char* failureText);

}  // namespace kov

#pragma once

namespace kov {

struct Station;
class SkyTelescope;

// Waits for TheSky's telescope to finish its slew: yields, sleeps 500 ms and adds a "." to the
// Status label while IsSlewComplete reads 0. A stop request does not cut the slew short. A slew
// that has not finished within the longest time any slew may take throws AutomationError
// (kErrTimedOut) saying so, so a stuck mount cannot hang an unattended run.
void WaitForSlew(Station& st, SkyTelescope& telescope);

}  // namespace kov

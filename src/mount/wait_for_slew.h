#pragma once

namespace kov {

struct Station;
class SkyTelescope;

// Waits for TheSky's telescope to finish its slew: yields, sleeps 500 ms and adds a "." to the
// Status label while IsSlewComplete reads 0. A stop request does not cut the slew short.
void WaitForSlew(Station& st, SkyTelescope& telescope);

}  // namespace kov

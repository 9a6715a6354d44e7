#pragma once

#include <cstdint>
#include <string>

namespace kov {

struct Station;

// Marks list point pt (counted from 0; wrapped to 0 past the end), reports it and slews the
// TheSky telescope there, waiting for the slew. True when the mount arrived and no stop was
// requested. Errors of the list, the utility object or the telescope pass to the caller.
bool MoveToListPoint(Station& st, std::int32_t& pt);

// Refuses (AutomationError) a slew to an altitude outside 0 to 90 degrees or an azimuth outside
// 0 to 360 degrees: a point edited into the list by hand must never send the mount there.
void CheckAltAzSlew(double alt, double az, const std::string& pointText);

}  // namespace kov

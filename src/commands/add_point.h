#pragma once

namespace kov {

struct Station;

// "Add Point" (AddPoint): appends the telescope's current altitude and azimuth to the point list,
// as angle texts. Any failure is shown in a box; the list is then unchanged.
void AddPoint(Station& st);

}  // namespace kov

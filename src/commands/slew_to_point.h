#pragma once

namespace kov {

struct Station;

// A double-click on the point list (LV): asks whether to slew to the selected point, then slews
// TheSky's telescope there and waits for it. Anything but Yes touches no telescope; any failure
// is shown in a box.
void SlewToSelectedPoint(Station& st);

}  // namespace kov

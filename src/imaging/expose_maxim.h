#pragma once

namespace kov {

struct Station;

// Takes one image with MaxIm DL (with an automatic dark frame when auto-dark is on) and has the
// planetarium's image link solve it near (ra hours, dec degrees). Leaves the solution status in
// st.error for the caller: 0 solved, 1 for a failure of its own, else the image link's error.
bool ExposeMaxim(Station& st, double ra, double dec);

}  // namespace kov

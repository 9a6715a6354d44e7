#pragma once

namespace kov {

struct Station;

// Takes one image with CCDSoft, has it plate-solved and checks stars, scale and orientation
// (bFirst: a reference image). Leaves the solution status in st.error for the caller: 0 solved,
// the solver's own number and text, or 1 for a failed check. False when it left early on a stop.
// Its progress repeats the ImageNumber label the caller set.
bool ExposeCCDSoft(Station& st, bool bFirst);

}  // namespace kov

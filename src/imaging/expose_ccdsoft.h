#pragma once

#include "imaging/plate_solution.h"

namespace kov {

struct Station;

// Takes one image with CCDSoft, has it plate-solved and checks stars, scale and orientation.
// While bFirst (the run's first point) a scale that differs is put to the operator, who may take
// the solved one; later a different scale fails the image. bReference makes this image's
// orientation the one later images are compared with: the run passes it until an image solves,
// since a failed first image would otherwise leave no reference and fail every later one. Returns
// the solution's status (0 solved, the solver's own number and text, or 1 for a failed check) with
// the scale and north angle the image reported, and leaves the same status in st.error, the current
// error later steps read; bStopped when it left early on a stop. Its progress repeats the
// ImageNumber label the caller set.
PlateSolution ExposeCCDSoft(Station& st, bool bFirst, bool bReference);

}  // namespace kov

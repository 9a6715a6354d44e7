#pragma once

#include <string>

#include "imaging/plate_solution.h"
#include "station/desktop.h"

namespace kov {

struct Station;

// Takes one image with MaxIm DL (with an automatic dark frame when auto-dark is on) and has the
// planetarium's image link solve it near (ra hours, dec degrees). Returns the solution's status
// (0 solved, 1 for a failure of its own, else the image link's error) and leaves the same status
// in st.error; bStopped when it left early on a stop.
PlateSolution ExposeMaxim(Station& st, double ra, double dec);

// Waits for the MaxIm DL camera's image, showing baseText with the seconds left in Status.
// It ends when the image is ready or when the operator stops; an image that has not come
// within the exposure and two minutes more is aborted and throws AutomationError (kErrTimedOut).
void WaitForMaximExposure(Station& st, double exposureSeconds, const std::string& baseText);

// The planetarium's main window (a title holding "TheSky Astronomy" or "TheSky6", in any case),
// or 0 when no such window is open. Every call searches afresh.
WindowHandle FindPlanetariumWindow(Desktop& desktop);

// A key-down and the matching key-up of a virtual key, to whichever window has the keyboard.
void PressKey(Desktop& desktop, int virtualKey);
void ReleaseKey(Desktop& desktop, int virtualKey);

}  // namespace kov

#pragma once

namespace kov {

struct Station;

// EXIT and the window's close box: idle they go at once; during a run the operator is asked, and
// Yes asks the run to stop before the window goes. True when the window may go.
bool ConfirmExitDuringRun(Station& st);

}  // namespace kov

#pragma once

#include <cstdint>
#include <string>

namespace kov {

struct Station;

// Shared by every long piece of work on the window's single thread.
struct RunState {
    bool bRunning = false;  // a run, TEST run, One Sync or Add'l Align is in progress
    bool bStop = false;     // the operator confirmed a stop request
    std::int32_t nRemaining = 0;
    std::int32_t nListPoint = 0;
};

// Main window to the foreground, then to the top of the z-order (no move, no resize).
void BringToFront(Station& st);
// Main window topmost for the rest of the program's life.
void KeepOnTop(Station& st);

// Asks whether to give up after the current error; bErrorOccurred is true only on Yes.
void PromptOnError(Station& st, bool& bErrorOccurred);

// The angle brought into [0, 360). A value that is not finite comes back as 0, so a bad
// reading can never hang the caller in the normalising loop.
double AdjustDeg(double deg);

}  // namespace kov

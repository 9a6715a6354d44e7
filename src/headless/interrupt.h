#pragma once

namespace kov::headless {

// Ctrl+C (SIGINT), a scheduler's SIGTERM and a dropped session's SIGHUP while the runner works:
// the first is remembered for the runner to act on at its next yield, as a confirmed stop
// request, so the run unwinds through its stopped ending and its files are still written; a
// second ends the program at once, by the signal's default action. A closed standard output
// (SIGPIPE) never ends the run: the signal is ignored and the failed writes are let go.
//
// Install as the first thing the program does, so that a signal in its first moments is
// remembered too; the guard then takes what came for the runner's life.
void InstallInterruptHandlers();

class InterruptGuard {
  public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;
    // A stop signal has come and not been taken yet; taking it clears it.
    static bool Take();
    // A stop signal has come at all since the handlers were installed.
    static bool Received();
};

}  // namespace kov::headless

#pragma once

namespace kov::headless {

// Ctrl+C (SIGINT) while the runner works: the first is remembered for the runner to act on at
// its next yield, as a confirmed stop request; the second ends the program at once, by the
// signal's default action. The handler is installed for the guard's life.
class InterruptGuard {
  public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // A Ctrl+C has come and not been taken yet; taking it clears it.
    static bool Take();
    // A Ctrl+C has come at all since the guard was made.
    static bool Received();
};

}  // namespace kov::headless

#include "headless/interrupt.h"

#include <csignal>

namespace kov::headless {

namespace {

volatile std::sig_atomic_t gPending = 0;
volatile std::sig_atomic_t gReceived = 0;

extern "C" void OnInterrupt(int) {
    gPending = 1;
    gReceived = 1;
    // Only async-signal-safe work here: the next Ctrl+C gets the default action and ends the
    // program.
    std::signal(SIGINT, SIG_DFL);
}

}  // namespace

InterruptGuard::InterruptGuard() {
    gPending = 0;
    gReceived = 0;
    std::signal(SIGINT, OnInterrupt);
}

InterruptGuard::~InterruptGuard() {
    std::signal(SIGINT, SIG_DFL);
}

bool InterruptGuard::Take() {
    if (gPending == 0) {
        return false;
    }
    gPending = 0;
    return true;
}

bool InterruptGuard::Received() {
    return gReceived != 0;
}

}  // namespace kov::headless

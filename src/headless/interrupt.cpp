#include "headless/interrupt.h"

#include <csignal>

namespace kov::headless {

namespace {

volatile std::sig_atomic_t gPending = 0;
volatile std::sig_atomic_t gReceived = 0;
volatile std::sig_atomic_t gInstalled = 0;

constexpr int kStopSignals[] = {
    SIGINT,
#ifdef SIGTERM
    SIGTERM,
#endif
#ifdef SIGHUP
    SIGHUP,
#endif
};

extern "C" void OnStopSignal(int) {
    gPending = 1;
    gReceived = 1;
    // Only async-signal-safe work here: the next stop signal of any kind gets the default action
    // and ends the program.
    for (const int s : kStopSignals) {
        std::signal(s, SIG_DFL);
    }
}

}  // namespace

void InstallInterruptHandlers() {
    if (gInstalled != 0) {
        return;
    }
    gInstalled = 1;
    for (const int s : kStopSignals) {
        std::signal(s, OnStopSignal);
    }
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

InterruptGuard::InterruptGuard() {
    InstallInterruptHandlers();
}

InterruptGuard::~InterruptGuard() {
    for (const int s : kStopSignals) {
        std::signal(s, SIG_DFL);
    }
    gInstalled = 0;
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

#include "win/gui/gui_clock.h"

#include <windows.h>

#include <cmath>

#include "headless/clocks.h"

namespace kov::win::gui {

namespace {

std::uint64_t Counter() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<std::uint64_t>(now.QuadPart);
}

}  // namespace

GuiClock::GuiClock(bool isVirtual, double factor, double startEpochSeconds)
    : virtual_(isVirtual),
      factor_(std::isfinite(factor) && factor > 0.0 ? factor : 1.0),
      startEpoch_(startEpochSeconds),
      startCounter_(Counter()) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    counterPerMs_ = static_cast<double>(frequency.QuadPart) / 1000.0;
}

GuiClock GuiClock::RealTime(double factor, double startEpochSeconds) {
    return GuiClock(false, factor, startEpochSeconds);
}

GuiClock GuiClock::Virtual(double startEpochSeconds) {
    return GuiClock(true, 1.0, startEpochSeconds);
}

double GuiClock::elapsedMs() const {
    if (virtual_) {
        return static_cast<double>(virtualMs_);
    }
    return static_cast<double>(Counter() - startCounter_) / counterPerMs_ * factor_;
}

void GuiClock::sleep(std::uint32_t ms) {
    if (virtual_) {
        virtualMs_ += ms;
        if (pump_) {
            pump_();
        }
        return;
    }
    // Wakes for every message that arrives, handles it, and sleeps on for what is left.
    const double wallMs = ms / factor_;
    const std::uint64_t end = Counter() + static_cast<std::uint64_t>(wallMs * counterPerMs_);
    for (;;) {
        if (pump_) {
            pump_();
        }
        const std::uint64_t now = Counter();
        if (now >= end) {
            return;
        }
        const auto left = static_cast<DWORD>(std::ceil((end - now) / counterPerMs_));
        MsgWaitForMultipleObjectsEx(0, nullptr, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

std::uint32_t GuiClock::ticks() const {
    // Wraps like the system's tick count after about 49 days.
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(elapsedMs()));
}

TimeOfDay GuiClock::timeOfDay() const {
    return headless::LocalTimeOfDay(epochSeconds());
}

double GuiClock::epochSeconds() const {
    return startEpoch_ + elapsedMs() / 1000.0;
}

}  // namespace kov::win::gui

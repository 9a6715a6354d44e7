#include "headless/clocks.h"

#include <cmath>
#include <ctime>
#include <thread>

namespace kov::headless {

TimeOfDay LocalTimeOfDay(double epochSeconds) {
    const auto seconds = static_cast<std::time_t>(std::floor(epochSeconds));
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    return {local.tm_hour, local.tm_min, local.tm_sec};
}

double NowEpochSeconds() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

SystemClock::SystemClock() : started_(std::chrono::steady_clock::now()) {}

void SystemClock::sleep(std::uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::uint32_t SystemClock::ticks() const {
    const auto elapsed = std::chrono::steady_clock::now() - started_;
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

TimeOfDay SystemClock::timeOfDay() const {
    return LocalTimeOfDay(NowEpochSeconds());
}

double SystemClock::epochSeconds() const {
    return NowEpochSeconds();
}

FastClock::FastClock(double startEpochSeconds) : start_(startEpochSeconds) {}

TimeOfDay FastClock::timeOfDay() const {
    return LocalTimeOfDay(epochSeconds());
}

double FastClock::epochSeconds() const {
    return start_ + static_cast<double>(elapsedMs_) / 1000.0;
}

}  // namespace kov::headless

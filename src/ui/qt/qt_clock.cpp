#include "ui/qt/qt_clock.h"

#include <QDateTime>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cmath>

namespace kov::qt {

QtClock::QtClock(double timeFactor)
    : factor_(std::isfinite(timeFactor) && timeFactor > 0.0 ? timeFactor : 1.0),
      startEpochMs_(static_cast<double>(QDateTime::currentMSecsSinceEpoch())) {
    started_.start();
}

double QtClock::scaledMs() const {
    return static_cast<double>(started_.nsecsElapsed()) / 1e6 * factor_;
}

void QtClock::sleep(std::uint32_t ms) {
    const auto wall = std::chrono::milliseconds(std::llround(ms / factor_));
    QEventLoop loop;
    QTimer::singleShot(wall, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

std::uint32_t QtClock::ticks() const {
    // Wraps like the platform's tick count after about 49 days.
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(scaledMs()));
}

TimeOfDay QtClock::timeOfDay() const {
    const QTime now =
        QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(startEpochMs_ + scaledMs())).time();
    return {now.hour(), now.minute(), now.second()};
}

double QtClock::epochSeconds() const {
    return (startEpochMs_ + scaledMs()) / 1000.0;
}

}  // namespace kov::qt

#include "ui/qt/qt_clock.h"

#include <QDateTime>
#include <QEventLoop>
#include <QTime>
#include <QTimer>

namespace kov::qt {

QtClock::QtClock() {
    started_.start();
}

void QtClock::sleep(std::uint32_t ms) {
    QEventLoop loop;
    QTimer::singleShot(std::chrono::milliseconds(ms), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

std::uint32_t QtClock::ticks() const {
    // Wraps like the platform's tick count after about 49 days.
    return static_cast<std::uint32_t>(started_.elapsed());
}

TimeOfDay QtClock::timeOfDay() const {
    const QTime now = QTime::currentTime();
    return {now.hour(), now.minute(), now.second()};
}

double QtClock::epochSeconds() const {
    return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

}  // namespace kov::qt

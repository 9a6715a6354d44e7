#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTime>
#include <QTimer>

#include "ui/qt/qt_clock.h"

namespace kov::qt {
namespace {

TEST(QtClock, SleepKeepsTheWindowsEventsFlowing) {
    QtClock clock;
    bool delivered = false;
    QTimer::singleShot(10, [&delivered] { delivered = true; });
    QElapsedTimer wall;
    wall.start();
    const std::uint32_t before = clock.ticks();
    clock.sleep(60);
    EXPECT_TRUE(delivered);
    EXPECT_GE(wall.elapsed(), 55);
    EXPECT_GE(clock.ticks() - before, 55u);
}

TEST(QtClock, NestedSleepsEachLastTheirOwnTime) {
    QtClock clock;
    QElapsedTimer inner;
    qint64 innerElapsed = -1;
    QTimer::singleShot(5, [&] {
        inner.start();
        clock.sleep(40);
        innerElapsed = inner.elapsed();
    });
    clock.sleep(20);
    // The outer sleep returns only when the nested one, started from its event loop, is done.
    EXPECT_GE(innerElapsed, 35);
}

TEST(QtClock, TimeOfDayAndEpochAreNow) {
    QtClock clock;
    const QTime now = QTime::currentTime();
    const TimeOfDay t = clock.timeOfDay();
    const int seconds = t.hour * 3600 + t.minute * 60 + t.second;
    EXPECT_LE(std::abs(seconds - now.msecsSinceStartOfDay() / 1000), 1);
    EXPECT_NEAR(clock.epochSeconds(), QDateTime::currentMSecsSinceEpoch() / 1000.0, 1.0);
}

}  // namespace
}  // namespace kov::qt

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include "ui/qt/qt_clock.h"

namespace kov::qt {
namespace {

TEST(QtClock, SleepLastsItsTimeWhileEventsKeepFlowing) {
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

}  // namespace
}  // namespace kov::qt

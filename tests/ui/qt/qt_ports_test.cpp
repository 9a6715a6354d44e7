#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include "ui/qt/qt_clock.h"
#include "ui/qt/qt_settings_store.h"

namespace kov::qt {
namespace {

// A sleep lasts its time in the program's time and events keep flowing; a time factor shortens
// the wall time by that factor and nothing else.
TEST(QtClock, SleepLastsItsTimeWhileEventsKeepFlowing) {
    for (const double factor : {1.0, 20.0}) {
        SCOPED_TRACE(factor);
        QtClock clock(factor);
        bool delivered = false;
        QTimer::singleShot(5, [&delivered] { delivered = true; });
        QElapsedTimer wall;
        wall.start();
        const std::uint32_t before = clock.ticks();
        const double epoch = clock.epochSeconds();
        clock.sleep(static_cast<std::uint32_t>(60 * factor));
        EXPECT_TRUE(delivered);
        EXPECT_GE(clock.ticks() - before, static_cast<std::uint32_t>(55 * factor));
        EXPECT_NEAR(clock.epochSeconds() - epoch, (clock.ticks() - before) / 1000.0, 0.01);
        EXPECT_GE(wall.elapsed(), 55);
        EXPECT_LT(wall.elapsed(), 1000);
    }
}

TEST(QtSettingsStore, TextsComeBackExactlyUnderTheirApplicationAndSectionAwayFromTheUsersFiles) {
    QtSettingsStore store("KovTest");
    EXPECT_EQ(store.get("KOV", "Settings", "Move in RA", "5"), "5");
    // Commas, quotes and the "@" prefix mean something to the INI format.
    const std::string texts[] = {"",      " 45abc ", "1,5", "a=b; c", "@Variant(x)",
                                 "\"q\"", "\xc2\xb0"};
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        store.set("KOV", "Settings", "Key " + std::to_string(i), texts[i]);
    }
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        EXPECT_EQ(store.get("KOV", "Settings", "Key " + std::to_string(i), "<none>"), texts[i]);
    }
    EXPECT_EQ(store.get("Other", "Settings", "Key 1", "none"), "none");
    EXPECT_EQ(QSettings("KovTest", "KOV").value("Settings/Key 1"), " 45abc ");
    const QString home = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
    EXPECT_FALSE(store.location("KOV").startsWith(home + "/.config/"));
}

}  // namespace
}  // namespace kov::qt

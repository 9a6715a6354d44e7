#include <gtest/gtest.h>

#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include "ui/qt/qt_clock.h"
#include "ui/qt/qt_settings_store.h"

namespace kov::qt {
namespace {

TEST(QtClock, SleepLastsItsTimeWhileEventsKeepFlowing) {
    QtClock clock;
    bool delivered = false;
    QTimer::singleShot(10, [&delivered] { delivered = true; });
    const std::uint32_t before = clock.ticks();
    clock.sleep(60);
    EXPECT_TRUE(delivered);
    EXPECT_GE(clock.ticks() - before, 55u);
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

#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QStandardPaths>

#include "ui/qt/qt_settings_store.h"

namespace kov::qt {
namespace {

// Each test has an organization of its own, so nothing carries over between tests.
QtSettingsStore Fresh(const QString& name) {
    QtSettingsStore store("KovTest-" + name);
    QFile::remove(store.location("KOV"));
    return store;
}

TEST(QtSettingsStore, TextsComeBackExactlyAndAbsentKeysGiveTheDefault) {
    QtSettingsStore store = Fresh("exact");
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
}

TEST(QtSettingsStore, ValuesLiveUnderApplicationAndSectionAwayFromTheUsersFiles) {
    QtSettingsStore store = Fresh("layout");
    store.set("KOV", "Settings", "Exposure Length", "12");
    EXPECT_EQ(store.get("KOV", "Other", "Exposure Length", "none"), "none");
    EXPECT_EQ(store.get("Other", "Settings", "Exposure Length", "none"), "none");
    EXPECT_EQ(QSettings("KovTest-layout", "KOV").value("Settings/Exposure Length"), "12");
    const QString home = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
    EXPECT_FALSE(store.location("KOV").startsWith(home + "/.config/"));
}

}  // namespace
}  // namespace kov::qt

#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QStandardPaths>

#include "support/virtual_clock.h"
#include "ui/operator_log.h"
#include "ui/qt/qt_settings_store.h"
#include "ui/run_settings.h"

namespace kov::qt {
namespace {

// Each test gets its own organization, so nothing carries over between them.
QtSettingsStore Fresh(const char* name) {
    QtSettingsStore store(QStringLiteral("KovTest-") + QLatin1String(name));
    QFile::remove(store.location("KOV"));
    return store;
}

TEST(QtSettingsStore, KeepsItsFileAwayFromTheUsersSettings) {
    const QString file = Fresh("where").location("KOV");
    const QString home = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
    EXPECT_FALSE(file.startsWith(home + "/.config/")) << file.toStdString();
}

TEST(QtSettingsStore, AbsentKeyGivesTheDefault) {
    QtSettingsStore store = Fresh("absent");
    EXPECT_EQ(store.get("KOV", "Settings", "Move in RA", "5"), "5");
    EXPECT_EQ(store.get("KOV", "Settings", "Move in RA", ""), "");
}

TEST(QtSettingsStore, StringsComeBackExactly) {
    QtSettingsStore store = Fresh("exact");
    const std::string texts[] = {"",
                                 "10",
                                 " 45abc ",
                                 "1,5",
                                 "a=b; c",
                                 "@Variant(x)",
                                 "True",
                                 "Gemini.Telescope",
                                 "\xc2\xb0 degrees",
                                 "\"quoted\""};
    int i = 0;
    for (const std::string& t : texts) {
        store.set("KOV", "Settings", "Key " + std::to_string(i++), t);
    }
    i = 0;
    for (const std::string& t : texts) {
        EXPECT_EQ(store.get("KOV", "Settings", "Key " + std::to_string(i++), "<default>"), t);
    }
}

TEST(QtSettingsStore, ValuesLiveUnderApplicationAndSection) {
    QtSettingsStore store = Fresh("layout");
    store.set("KOV", "Settings", "Exposure Length", "12");
    EXPECT_EQ(store.get("KOV", "Other", "Exposure Length", "none"), "none");
    EXPECT_EQ(store.get("Other", "Settings", "Exposure Length", "none"), "none");
    QSettings raw(QStringLiteral("KovTest-layout"), QStringLiteral("KOV"));
    EXPECT_EQ(raw.value("Settings/Exposure Length").toString(), "12");
}

TEST(QtSettingsStore, RunSettingsSurviveARoundTrip) {
    QtSettingsStore store = Fresh("roundtrip");
    RunSettings saved;
    saved.InitialMoveRA = "12.5";
    saved.BinMode = 3;
    saved.bZigZag = false;
    saved.bCCDSoft = false;
    saved.OptionSky5 = false;
    saved.bAutoDark = CheckState::Unchecked;
    saved.ScopeName = "EQMOD";
    kov::test::VirtualClock clock;
    OperatorLog log(clock);
    SaveSettings(saved, store, log);

    RunSettings loaded;
    LoadSettings(loaded, store);
    EXPECT_EQ(loaded.InitialMoveRA(), "12.5");
    EXPECT_EQ(loaded.BinMode(), 3);
    EXPECT_FALSE(loaded.bZigZag());
    EXPECT_FALSE(loaded.bCCDSoft());
    EXPECT_FALSE(loaded.OptionSky5());
    EXPECT_EQ(loaded.bAutoDark(), CheckState::Unchecked);
    EXPECT_EQ(loaded.ScopeName(), "EQMOD");
    EXPECT_EQ(store.get("KOV", "Settings", "Bin Mode", ""), "4");
    EXPECT_EQ(store.get("KOV", "Settings", "Movement", ""), "PointList");
}

}  // namespace
}  // namespace kov::qt

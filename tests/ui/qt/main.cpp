#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

// Qt's process-lifetime caches look like leaks; a leak report must not fail test discovery.
#if defined(__SANITIZE_ADDRESS__) || defined(__clang__)  // clang reads it only under ASan
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}
#endif

int main(int argc, char* argv[]) {
    // Test discovery runs this program at build time, without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // No test may read or write the user's real settings.
    QTemporaryDir settingsHome;
    qputenv("XDG_CONFIG_HOME", settingsHome.path().toLocal8Bit());
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsHome.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsHome.path());

    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "ui/qt/qt_settings_store.h"

#include <QSettings>

#include "station/automation_error.h"

namespace kov::qt {

namespace {

constexpr std::int32_t kErrFileAccess = 75;  // path/file access error

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

QtSettingsStore::QtSettingsStore(QString organization) : organization_(std::move(organization)) {}

QString QtSettingsStore::DefaultOrganization() {
#ifdef Q_OS_WIN
    return QStringLiteral("VB and VBA Program Settings");
#else
    return QStringLiteral("KovSkyMapper");
#endif
}

std::string QtSettingsStore::get(const std::string& app, const std::string& section,
                                 const std::string& key, const std::string& defaultValue) const {
    QSettings settings(organization_, Q(app));
    settings.beginGroup(Q(section));
    const QVariant value = settings.value(Q(key));
    if (!value.isValid()) {
        return defaultValue;
    }
    // A hand-edited INI line with an unquoted comma comes back as a list; rejoin it so the
    // operator's text survives.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QLatin1Char(',')).toStdString();
    }
    return value.toString().toStdString();
}

void QtSettingsStore::set(const std::string& app, const std::string& section,
                          const std::string& key, const std::string& value) {
    if (pending_ && pending_->applicationName() != Q(app)) {
        commit();
    }
    if (!pending_) {
        pending_ = std::make_unique<QSettings>(organization_, Q(app));
    }
    pending_->setValue(Q(section) + QLatin1Char('/') + Q(key), Q(value));
}

// One sync for all keys: QSettings then replaces the file in one step (or the registry keys
// together), so an interrupted save leaves the old settings or the new ones, never a mix.
void QtSettingsStore::commit() {
    if (!pending_) {
        return;
    }
    const std::unique_ptr<QSettings> settings = std::move(pending_);
    settings->sync();
    if (settings->status() != QSettings::NoError) {
        const std::string place = settings->fileName().toStdString();
        throw AutomationError(kErrFileAccess,
                              "Cannot write the settings file " + place +
                                  ".\r\nThe settings were not saved; the next start uses the "
                                  "ones saved before. Check that this folder can be written "
                                  "to.");
    }
}

// Values set but never committed are still written, as QSettings does when it goes.
QtSettingsStore::~QtSettingsStore() = default;

QString QtSettingsStore::location(const std::string& app) const {
    return QSettings(organization_, Q(app)).fileName();
}

}  // namespace kov::qt

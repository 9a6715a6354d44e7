#include "ui/qt/qt_settings_store.h"

#include <QSettings>

namespace kov::qt {

namespace {

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
    QSettings settings(organization_, Q(app));
    settings.beginGroup(Q(section));
    settings.setValue(Q(key), Q(value));
    settings.endGroup();
    settings.sync();
}

QString QtSettingsStore::location(const std::string& app) const {
    return QSettings(organization_, Q(app)).fileName();
}

}  // namespace kov::qt

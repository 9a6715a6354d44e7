#pragma once

#include <QSettings>
#include <QString>
#include <memory>

#include "station/settings_store.h"

namespace kov::qt {

// The per-user settings store over QSettings: the application is the QSettings application name,
// the section a group inside it. On Windows the organization is "VB and VBA Program Settings",
// so the values live in the registry where older tools for this mount kept theirs
// (HKEY_CURRENT_USER\Software\VB and VBA Program Settings\KOV\Settings).
class QtSettingsStore : public SettingsStore {
  public:
    explicit QtSettingsStore(QString organization = DefaultOrganization());
    ~QtSettingsStore() override;

    std::string get(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& defaultValue) const override;
    // Held until commit(), which writes them all in one replacing write.
    void set(const std::string& app, const std::string& section, const std::string& key,
             const std::string& value) override;
    void commit() override;

    static QString DefaultOrganization();
    // Where the settings of an application are kept, for the operator and the README.
    QString location(const std::string& app) const;

  private:
    QString organization_;
    std::unique_ptr<QSettings> pending_;
};

}  // namespace kov::qt

#pragma once

#include <QString>

#include "station/settings_store.h"

namespace kov::qt {

// The per-user settings store over QSettings: the application is the QSettings application name,
// the section a group inside it. On Windows the organization is "VB and VBA Program Settings",
// so the values live in the registry where older tools for this mount kept theirs
// (HKEY_CURRENT_USER\Software\VB and VBA Program Settings\KOV\Settings).
class QtSettingsStore : public SettingsStore {
  public:
    explicit QtSettingsStore(QString organization = DefaultOrganization());

    std::string get(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& defaultValue) const override;
    // Written through at once: the program may end without returning to its event loop.
    void set(const std::string& app, const std::string& section, const std::string& key,
             const std::string& value) override;

    static QString DefaultOrganization();
    // Where the settings of an application are kept, for the operator and the README.
    QString location(const std::string& app) const;

  private:
    QString organization_;
};

}  // namespace kov::qt

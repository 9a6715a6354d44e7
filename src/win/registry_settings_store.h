#pragma once

#include <set>
#include <string>
#include <utility>

#include "station/settings_store.h"

namespace kov::win {

// The per-user settings in the registry where Visual Basic programs have always kept theirs:
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<app>\<section>, one REG_SZ value per
// key. Settings written by earlier tools of this kind are read, and ours are read by them.
class RegistrySettingsStore : public SettingsStore {
  public:
    // The default comes back when the value is absent or holds no text (a number, say).
    std::string get(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& defaultValue) const override;
    // Writes at once. Raises an AutomationError naming the key, with the system's text, when
    // the registry refuses the write.
    void set(const std::string& app, const std::string& section, const std::string& key,
             const std::string& value) override;
    // Flushes every section written since the last commit to the disk; a section that cannot
    // be opened (deleted meanwhile) or flushed raises an AutomationError naming its key, so a
    // failed save is shown rather than taken for done.
    void commit() override;

  private:
    std::set<std::pair<std::string, std::string>> written_;  // app, section
};

// The key, under HKEY_CURRENT_USER, that holds an application's section.
std::wstring SettingsKeyPath(const std::string& app, const std::string& section);

}  // namespace kov::win

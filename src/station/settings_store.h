#pragma once

#include <string>

namespace kov {

// The per-user store of application settings: strings by application, section and key.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual std::string get(const std::string& app, const std::string& section,
                            const std::string& key, const std::string& defaultValue) const = 0;
    virtual void set(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) = 0;
    // Makes the values set so far durable, all of them or none: an interrupted save leaves the
    // old settings. Throws AutomationError naming the place that could not be written.
    virtual void commit() {}
};

}  // namespace kov

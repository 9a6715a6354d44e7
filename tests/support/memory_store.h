#pragma once

#include <map>
#include <string>
#include <vector>

#include "station/settings_store.h"

namespace kov::test {

// A settings store in memory that remembers the order of writes.
class MemoryStore : public SettingsStore {
  public:
    std::map<std::string, std::string> values;  // "app/section/key" -> value
    std::vector<std::string> writtenKeys;

    static std::string path(const std::string& app, const std::string& section,
                            const std::string& key) {
        return app + "/" + section + "/" + key;
    }
    std::string get(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& defaultValue) const override {
        auto it = values.find(path(app, section, key));
        return it == values.end() ? defaultValue : it->second;
    }
    void set(const std::string& app, const std::string& section, const std::string& key,
             const std::string& value) override {
        values[path(app, section, key)] = value;
        writtenKeys.push_back(key);
    }
    // Shorthand for the program's own section.
    void put(const std::string& key, const std::string& value) {
        values[path("KOV", "Settings", key)] = value;
    }
    std::string at(const std::string& key) const {
        auto it = values.find(path("KOV", "Settings", key));
        return it == values.end() ? std::string("<absent>") : it->second;
    }
};

}  // namespace kov::test

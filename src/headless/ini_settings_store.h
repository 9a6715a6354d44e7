#pragma once

#include <string>
#include <vector>

#include "station/settings_store.h"

namespace kov::headless {

// A settings store in one INI file of our own, the same on every platform: "[Settings]" sections,
// "Key=Value" lines, UTF-8. One file holds one application's settings, so the application name
// is not written. Sections and keys match without regard to case, as the registry's do. A value
// with blanks at either end, a leading double quote or a line break is written in double quotes
// with \" \\ \r \n escapes. Everything else in the file (comments, other sections and keys, the
// order, CR LF line ends, a byte order mark) is kept as it was when the file is saved.
class IniSettingsStore : public SettingsStore {
  public:
    // Reads the file; a missing file gives an empty store that commit creates. A file that cannot
    // be read, or a line that is neither a section, a setting, a comment nor blank, throws
    // AutomationError naming the file and the line.
    explicit IniSettingsStore(std::string path);

    std::string get(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& defaultValue) const override;
    // Held in memory until commit.
    void set(const std::string& app, const std::string& section, const std::string& key,
             const std::string& value) override;

    // Writes the whole file through the safe file writer when it changed or does not exist yet;
    // a failure throws AutomationError and leaves the file as it was.
    void commit() override;

    const std::string& path() const { return path_; }

  private:
    struct Entry {
        std::string section;
        std::string key;
        std::string value;
        std::size_t line;
    };
    std::vector<Entry> entries() const;

    std::string path_;
    std::vector<std::string> lines_;
    bool exists_ = false;
    bool changed_ = false;
    bool crlf_ = false;
    bool bom_ = false;
};

}  // namespace kov::headless

#pragma once

#include <string>
#include <vector>

#include "station/settings_store.h"

namespace kov::headless {

// A settings store in one INI file of our own, the same on every platform: "[Settings]" sections,
// "Key=Value" lines, UTF-8. One file holds one application's settings, so the application name
// is not written. Sections and keys match without regard to case, as the registry's do. A value
// with blanks at either end, a leading double quote or a line break is written in double quotes
// with \" \\ \r \n escapes. The file is read again when the settings are saved and only the keys
// this process set are written into it, so edits made meanwhile by hand or by another program
// survive; every other byte (comments, other sections and keys, the order, each line's own end,
// a stray CR, a byte order mark) is kept as it is.
class IniSettingsStore : public SettingsStore {
  public:
    // Reads the file; a missing file gives an empty store that commit creates. A file that cannot
    // be read, or a line that is neither a section, a setting, a comment nor blank, throws
    // AutomationError naming the file and the line.
    explicit IniSettingsStore(std::string path);

    std::string get(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& defaultValue) const override;
    // Held in memory until commit, and then applied to the file as it is at that moment.
    void set(const std::string& app, const std::string& section, const std::string& key,
             const std::string& value) override;

    // Reads the file again, applies this process's sets and writes it through the safe file
    // writer when that changed it or it does not exist yet; a failure throws AutomationError and
    // leaves the file as it was.
    void commit() override;

    const std::string& path() const { return path_; }

  private:
    struct Set {
        std::string section;
        std::string key;
        std::string value;
    };
    struct Entry {
        std::string section;
        std::string key;
        std::string value;
        std::size_t line;
    };
    std::vector<Entry> entries() const;
    void read();
    // Writes one set into lines_; true when that changed them.
    bool apply(const Set& set);

    std::string path_;
    std::vector<std::string> lines_;  // each line without its end
    std::vector<std::string> ends_;   // each line's own end: "\r\n", "\n" or "" (the last)
    std::vector<Set> sets_;           // what this process set, in order
    bool exists_ = false;
    bool crlf_ = false;
    bool bom_ = false;
};

}  // namespace kov::headless

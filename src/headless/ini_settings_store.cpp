#include "headless/ini_settings_store.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "station/automation_error.h"
#include "station/safe_file.h"

namespace kov::headless {

namespace {

constexpr std::int32_t kErrFileAccess = 75;  // path/file access error
constexpr const char* kBom = "\xEF\xBB\xBF";

std::string Trim(const std::string& text) {
    const auto blank = [](unsigned char c) { return c == ' ' || c == '\t' || c == '\r'; };
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && blank(static_cast<unsigned char>(text[first]))) {
        ++first;
    }
    while (last > first && blank(static_cast<unsigned char>(text[last - 1]))) {
        --last;
    }
    return text.substr(first, last - first);
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

bool NeedsQuotes(const std::string& value) {
    return !value.empty() && (value != Trim(value) || value.front() == '"' ||
                              value.find_first_of("\r\n") != std::string::npos);
}

std::string Quote(const std::string& value) {
    std::string quoted = "\"";
    for (char c : value) {
        switch (c) {
            case '"':
                quoted += "\\\"";
                break;
            case '\\':
                quoted += "\\\\";
                break;
            case '\r':
                quoted += "\\r";
                break;
            case '\n':
                quoted += "\\n";
                break;
            default:
                quoted += c;
        }
    }
    return quoted + "\"";
}

std::string Unquote(const std::string& text) {
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') {
        return text;
    }
    std::string value;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] == '\\' && i + 2 < text.size()) {
            const char next = text[++i];
            value += next == 'r' ? '\r' : next == 'n' ? '\n' : next;
        } else {
            value += text[i];
        }
    }
    return value;
}

bool IsComment(const std::string& trimmed) {
    return trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#';
}

bool IsSection(const std::string& trimmed) {
    return trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']';
}

}  // namespace

IniSettingsStore::IniSettingsStore(std::string path) : path_(std::move(path)) {
    read();
}

void IniSettingsStore::read() {
    lines_.clear();
    ends_.clear();
    exists_ = false;
    crlf_ = false;
    bom_ = false;
    std::error_code ec;
    if (!std::filesystem::exists(path_, ec)) {
        return;
    }
    CheckReadableFile(path_);
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (!in || std::filesystem::is_directory(path_, ec)) {
        throw AutomationError(kErrFileAccess, "Cannot read the settings file " + path_ +
                                                  ": check that it is a file you may read");
    }
    std::string text = bytes.str();
    exists_ = true;
    if (text.rfind(kBom, 0) == 0) {
        bom_ = true;
        text.erase(0, 3);
    }
    const std::size_t firstEnd = text.find('\n');
    crlf_ = firstEnd != std::string::npos && firstEnd > 0 && text[firstEnd - 1] == '\r';
    for (std::size_t begin = 0; begin < text.size();) {
        std::size_t end = text.find('\n', begin);
        std::string ending = "\n";
        if (end == std::string::npos) {
            end = text.size();
            ending.clear();
        }
        std::string line = text.substr(begin, end - begin);
        if (!ending.empty() && !line.empty() && line.back() == '\r') {
            line.pop_back();
            ending = "\r\n";
        }
        const std::string trimmed = Trim(line);
        if (!IsComment(trimmed) && !IsSection(trimmed) && trimmed.find('=') == std::string::npos) {
            throw AutomationError(kErrFileAccess,
                                  "The settings file " + path_ + " is not an INI file: line " +
                                      std::to_string(lines_.size() + 1) +
                                      " is not a [Section], a Key=Value setting or a ; comment");
        }
        lines_.push_back(line);
        ends_.push_back(ending);
        begin = end + 1;
    }
}

std::vector<IniSettingsStore::Entry> IniSettingsStore::entries() const {
    std::vector<Entry> found;
    std::string section;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const std::string trimmed = Trim(lines_[i]);
        if (IsComment(trimmed)) {
            continue;
        }
        if (IsSection(trimmed)) {
            section = Trim(trimmed.substr(1, trimmed.size() - 2));
            found.push_back({section, "", "", i});  // marks where the section begins
            continue;
        }
        const std::size_t equals = trimmed.find('=');
        found.push_back({section, Trim(trimmed.substr(0, equals)),
                         Unquote(Trim(trimmed.substr(equals + 1))), i});
    }
    return found;
}

std::string IniSettingsStore::get(const std::string&, const std::string& section,
                                  const std::string& key, const std::string& defaultValue) const {
    // The last of repeated keys wins, as a reader going down the file would conclude.
    std::optional<std::string> value;
    for (const Entry& e : entries()) {
        if (!e.key.empty() && SameName(e.section, section) && SameName(e.key, key)) {
            value = e.value;
        }
    }
    return value.value_or(defaultValue);
}

void IniSettingsStore::set(const std::string&, const std::string& section, const std::string& key,
                           const std::string& value) {
    sets_.push_back({section, key, value});
    apply(sets_.back());
}

bool IniSettingsStore::apply(const Set& set) {
    const std::string line =
        set.key + "=" + (NeedsQuotes(set.value) ? Quote(set.value) : set.value);
    const std::string newLine = crlf_ ? "\r\n" : "\n";
    std::optional<std::size_t> existing;
    std::optional<std::size_t> sectionEnd;
    for (const Entry& e : entries()) {
        if (!SameName(e.section, set.section)) {
            continue;
        }
        sectionEnd = e.line;
        if (!e.key.empty() && SameName(e.key, set.key)) {
            existing = e.line;
        }
    }
    if (existing) {
        if (lines_[*existing] == line) {
            return false;
        }
        lines_[*existing] = line;
        return true;
    }
    const auto insertAt = [&](std::size_t at, const std::string& text) {
        // The line before a new one must end, even the file's last.
        if (at > 0 && ends_[at - 1].empty()) {
            ends_[at - 1] = newLine;
        }
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), text);
        ends_.insert(ends_.begin() + static_cast<std::ptrdiff_t>(at), newLine);
    };
    if (sectionEnd) {
        insertAt(*sectionEnd + 1, line);
    } else {
        if (!lines_.empty() && !Trim(lines_.back()).empty()) {
            insertAt(lines_.size(), "");
        }
        insertAt(lines_.size(), "[" + set.section + "]");
        insertAt(lines_.size(), line);
    }
    return true;
}

void IniSettingsStore::commit() {
    // The file as it is now, edits made meanwhile included, with this process's sets on top.
    read();
    bool changed = !exists_;
    for (const Set& set : sets_) {
        changed = apply(set) || changed;
    }
    if (!changed) {
        return;
    }
    std::string text = bom_ ? kBom : "";
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        text += lines_[i] + ends_[i];
    }
    WriteFileReplacing(path_, text);
    exists_ = true;
}

}  // namespace kov::headless

#include "win/registry_settings_store.h"

#include <windows.h>

#include <cstdint>
#include <utility>

#include "win/automation_errors.h"
#include "win/com_types.h"

namespace kov::win {

namespace {

class Key {
  public:
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (h_) {
            RegCloseKey(h_);
        }
    }
    HKEY get() const { return h_; }
    HKEY* put() { return &h_; }

  private:
    HKEY h_ = nullptr;
};

constexpr std::int32_t kErrFileAccess = 75;  // path/file access error

// A refused write as the operator reads it: which key, why, and what it means for the settings.
void Check(LSTATUS status, const std::wstring& path) {
    if (status != ERROR_SUCCESS) {
        const AutomationError why =
            ErrorFromHresult(HRESULT_FROM_WIN32(static_cast<DWORD>(status)));
        throw AutomationError(kErrFileAccess, "Cannot write the settings to HKEY_CURRENT_USER\\" +
                                                  Narrow(path) + ": " + why.description() +
                                                  ".\r\nThe settings were not saved; the next "
                                                  "start uses the ones saved before.");
    }
}

}  // namespace

std::wstring SettingsKeyPath(const std::string& app, const std::string& section) {
    return L"Software\\VB and VBA Program Settings\\" + Widen(app) + L"\\" + Widen(section);
}

std::string RegistrySettingsStore::get(const std::string& app, const std::string& section,
                                       const std::string& key,
                                       const std::string& defaultValue) const {
    const std::wstring path = SettingsKeyPath(app, section);
    const std::wstring name = Widen(key);
    // RegGetValueW adds the terminating null that a value written without one lacks. The loop
    // covers a value that grows between asking its size and reading it.
    std::wstring text;
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD bytes = 0;
        LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_REG_SZ,
                                      nullptr, nullptr, &bytes);
        if (status != ERROR_SUCCESS) {
            return defaultValue;
        }
        text.assign(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        status = RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr,
                              text.data(), &bytes);
        if (status == ERROR_MORE_DATA) {
            continue;
        }
        if (status != ERROR_SUCCESS) {
            return defaultValue;
        }
        text.resize(wcsnlen(text.c_str(), bytes / sizeof(wchar_t)));
        return Narrow(text);
    }
    return defaultValue;
}

void RegistrySettingsStore::set(const std::string& app, const std::string& section,
                                const std::string& key, const std::string& value) {
    const std::wstring path = SettingsKeyPath(app, section);
    Key k;
    Check(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE, nullptr, k.put(), nullptr),
          path);
    const std::wstring text = Widen(value);
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    Check(RegSetValueExW(k.get(), Widen(key).c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(text.c_str()), bytes),
          path);
    written_.emplace(app, section);
}

void RegistrySettingsStore::commit() {
    // Cleared first: a failed commit is reported once, and the next save writes every value
    // again anyway.
    const auto written = std::exchange(written_, {});
    for (const auto& [app, section] : written) {
        const std::wstring path = SettingsKeyPath(app, section);
        Key k;
        Check(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, k.put()), path);
        Check(RegFlushKey(k.get()), path);
    }
}

}  // namespace kov::win

#include "win/registry_settings_store.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "station/automation_error.h"
#include "win/com_types.h"

namespace kov::win {
namespace {

// A section of its own, so that running the tests on a real machine leaves the program's
// settings alone; removed before and after.
constexpr const char* kApp = "KOV Test";
constexpr const char* kSection = "Settings";
constexpr const char* kPath = "Software\\VB and VBA Program Settings\\KOV Test\\Settings";

void DeleteTestApp() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\KOV Test");
}

// Writes a value as a program of the older kind does: through the ANSI calls, straight into
// the key, with whatever type and length it chose.
void WriteRaw(const std::string& name, DWORD type, const void* data, DWORD bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// Reads a value as a program of the older kind does; "<type N>" when it is no REG_SZ.
std::string ReadRaw(const std::string& name) {
    char buffer[256] = {};
    DWORD type = 0;
    DWORD bytes = sizeof(buffer) - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, kPath, name.c_str(), RRF_RT_ANY, &type, buffer, &bytes) !=
        ERROR_SUCCESS) {
        return "<absent>";
    }
    return type == REG_SZ ? std::string(buffer) : "<type " + std::to_string(type) + ">";
}

class RegistrySettingsStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { DeleteTestApp(); }
    void TearDown() override { DeleteTestApp(); }
    RegistrySettingsStore store_;
};

TEST_F(RegistrySettingsStoreTest, RoundTripsAndReadsWhatOlderToolsWrote) {
    struct Row {
        const char* name;
        std::function<void()> write;
        std::string key;
        std::string read;     // by the store, with the default "dflt"
        const char* readRaw;  // by an older tool; its code page decides beyond ASCII
    };
    const Row rows[] = {
        {"our text", [this] { store_.set(kApp, kSection, "Exposure", "2.5"); }, "Exposure", "2.5",
         "2.5"},
        {"empty text is a value, not the default",
         [this] { store_.set(kApp, kSection, "Auto Dark", ""); }, "Auto Dark", "", ""},
        {"text beyond ASCII", [this] { store_.set(kApp, kSection, "Note", "45\xC2\xB0 N"); },
         "Note", "45\xC2\xB0 N", nullptr},
        {"older tool's text", [] { WriteRaw("Bin Mode", REG_SZ, "2x2", 4); }, "Bin Mode", "2x2",
         "2x2"},
        {"older tool's text without its terminating null",
         [] { WriteRaw("Delay", REG_SZ, "15", 2); }, "Delay", "15", "15"},
        {"older tool's number is not a text",
         [] {
             const DWORD value = 3;
             WriteRaw("Binning", REG_DWORD, &value, sizeof(value));
         },
         "Binning", "dflt", "<type 4>"},
        {"absent section", [] {}, "Anything", "dflt", "<absent>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.write();
        const RegistrySettingsStore fresh;
        EXPECT_EQ(fresh.get(kApp, kSection, row.key, "dflt"), row.read);
        if (row.readRaw) {
            EXPECT_EQ(ReadRaw(row.key), row.readRaw);
        }
        DeleteTestApp();
    }
}

// A save that did not reach the registry is reported, naming the key, and only once.
TEST_F(RegistrySettingsStoreTest, CommitReportsASectionLostBeforeTheSaveEnded) {
    store_.set(kApp, kSection, "Exposure", "2.5");
    EXPECT_NO_THROW(store_.commit());
    store_.set(kApp, kSection, "Exposure", "3");
    DeleteTestApp();  // another program removed the section meanwhile
    try {
        store_.commit();
        ADD_FAILURE() << "a lost save was taken for done";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), 75);
        EXPECT_NE(e.description().find(std::string("HKEY_CURRENT_USER\\") + kPath),
                  std::string::npos)
            << e.description();
    }
    EXPECT_NO_THROW(store_.commit());
}

}  // namespace
}  // namespace kov::win

#include "ui/help_launcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace kov {
namespace {

TEST(NormalizeUrl, KeepsHttpAndHttpsInAnyCaseAndPutsHttpBeforeEverythingElse) {
    const struct {
        const char* in;
        const char* out;
    } rows[] = {
        {"https://kov.example/help", "https://kov.example/help"},
        {"HTTPS://KOV.example", "HTTPS://KOV.example"},
        {"hTtP://Kov.Example/Help.html", "hTtP://Kov.Example/Help.html"},
        {"HTTP://", "HTTP://"},
        {"ftp://x", "http://ftp://x"},
        {"file:///opt/kov/docs/help.html", "http://file:///opt/kov/docs/help.html"},
        {"kov.example", "http://kov.example"},
        {"http:/kov.example", "http://http:/kov.example"},
        {"", "http://"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.in);
        EXPECT_EQ(NormalizeUrl(row.in), row.out);
    }
}

// A browser that remembers what it was asked and answers, or raises, as told.
struct FakeBrowser : Browser {
    enum class Outcome { Starts, Fails, Throws } outcome = Outcome::Starts;
    std::vector<std::string> calls;
    bool answer(const std::string& call) {
        calls.push_back(call);
        if (outcome == Outcome::Throws) {
            throw std::runtime_error("no handler");
        }
        return outcome == Outcome::Starts;
    }
    bool openAddress(const std::string& address) override { return answer("address " + address); }
    bool openFile(const std::string& path) override { return answer("file " + path); }
};

class HelpLauncher : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(folder / "docs");
        std::ofstream(folder / "docs" / "help.html") << "<html></html>";
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::vector<std::string> entries() {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
            names.push_back(e.path().lexically_relative(folder).generic_string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("kov_help_" +
         std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
};

// Every outcome of a browser comes back as a plain answer, and the program's folder holds
// afterwards exactly what it held before: no probe file, written or left behind.
TEST_F(HelpLauncher, OpensTheManualOrTheAddressAndFailsQuietlyWithoutWritingAFile) {
    using Outcome = FakeBrowser::Outcome;
    const std::string page = (folder / "docs" / "help.html").string();
    const struct {
        Outcome outcome;
        bool manualThere;
        bool helpOpens;
        bool addressOpens;
        std::vector<std::string> calls;
    } rows[] = {
        {Outcome::Starts, true, true, true, {"file " + page, "address http://kov.example"}},
        {Outcome::Fails, true, false, false, {"file " + page, "address http://kov.example"}},
        {Outcome::Throws, true, false, false, {"file " + page, "address http://kov.example"}},
        {Outcome::Starts, false, false, true, {"address http://kov.example"}},
    };
    const std::vector<std::string> before = {"docs", "docs/help.html"};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << int(row.outcome) << row.manualThere);
        if (!row.manualThere) {
            std::filesystem::remove(page);
        }
        FakeBrowser browser;
        browser.outcome = row.outcome;
        EXPECT_EQ(OpenHelpPage(folder.string(), browser), row.helpOpens);
        std::string address = "kov.example";
        EXPECT_EQ(OpenInBrowser(address, browser), row.addressOpens);
        EXPECT_EQ(address, "http://kov.example");
        EXPECT_EQ(browser.calls, row.calls);
        EXPECT_EQ(entries(), row.manualThere ? before : std::vector<std::string>{"docs"});
    }
}

}  // namespace
}  // namespace kov

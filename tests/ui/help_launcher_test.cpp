#include "ui/help_launcher.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "support/temp_folder.h"

namespace kov {
namespace {

TEST(NormalizeUrl, KeepsHttpAndHttpsInAnyCaseAndPutsHttpBeforeEverythingElse) {
    EXPECT_EQ(NormalizeUrl("hTtPs://Kov.Example/Help.html"), "hTtPs://Kov.Example/Help.html");
    EXPECT_EQ(NormalizeUrl("HTTP://"), "HTTP://");
    EXPECT_EQ(NormalizeUrl("file:///opt/kov/help.html"), "http://file:///opt/kov/help.html");
    EXPECT_EQ(NormalizeUrl("http:/kov.example"), "http://http:/kov.example");
    EXPECT_EQ(NormalizeUrl(""), "http://");
}

// Every outcome of a browser (0 starts, 1 fails, 2 throws) comes back as a plain answer, and
// the program's folder holds afterwards exactly what it held before: no probe file, written or
// left behind.
TEST(HelpLauncher, OpensTheManualOrTheAddressAndFailsQuietlyWithoutWritingAFile) {
    struct Browser : kov::Browser {
        int outcome = 0;
        std::vector<std::string> calls;
        bool answer(const std::string& call) {
            calls.push_back(call);
            return outcome == 2 ? throw std::runtime_error("no handler") : outcome == 0;
        }
        bool openAddress(const std::string& address) override { return answer(address); }
        bool openFile(const std::string& path) override { return answer(path); }
    };
    const test::TempFolder scratch;
    const std::filesystem::path& folder = scratch.root();
    const std::string page = (folder / "docs" / "help.html").string();
    std::filesystem::create_directories(folder / "docs");
    std::ofstream(page) << "<html></html>";
    const std::pair<int, bool> rows[] = {{0, true}, {1, true}, {2, true}, {0, false}};
    for (const auto& [outcome, manualThere] : rows) {
        SCOPED_TRACE(testing::Message() << outcome << manualThere);
        if (!manualThere) {
            std::filesystem::remove(page);
        }
        Browser browser;
        browser.outcome = outcome;
        EXPECT_EQ(OpenHelpPage(folder.string(), browser), outcome == 0 && manualThere);
        std::string address = "kov.example";
        EXPECT_EQ(OpenInBrowser(address, browser), outcome == 0);
        EXPECT_EQ(address, "http://kov.example");
        const std::vector<std::string> both{page, "http://kov.example"};
        EXPECT_EQ(browser.calls, manualThere ? both : std::vector{both[1]});
        std::size_t entries = 0;
        for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
            entries += e.path() == folder / "docs" || e.path() == page ? 1 : 100;
        }
        EXPECT_EQ(entries, manualThere ? 2u : 1u);
    }
}

}  // namespace
}  // namespace kov

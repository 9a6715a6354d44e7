#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "station/automation_error.h"
#include "station/safe_file.h"
#include "support/virtual_clock.h"
#include "ui/operator_log.h"

namespace kov {
namespace {

struct RecordingView : LogView {
    std::vector<std::string> entries;
    std::size_t lastWholeSize = 0;
    void entryAdded(const std::string& entry, const std::string& wholeLog) override {
        entries.push_back(entry);
        lastWholeSize = wholeLog.size();
    }
};

TEST(AddLog, TimeTwoBlanksTextAndCrLfPerEntry) {
    test::VirtualClock clock;
    OperatorLog log(clock);
    log.AddLog("A");
    clock.setTimeOfDay(9, 7, 5);
    log.AddLog("B\r\nsecond line");
    EXPECT_EQ(log.text(), "21:05:03  A\r\n09:07:05  B\r\nsecond line\r\n");
}

TEST(AddLog, AnAttachedViewGetsEachEntryAndADetachedOneNothing) {
    test::VirtualClock clock;
    OperatorLog log(clock);
    log.AddLog("before");
    RecordingView view;
    log.attach(&view);
    log.AddLog("during");
    log.detach(&view);
    log.AddLog("after");
    EXPECT_EQ(view.entries, std::vector<std::string>{"21:05:03  during\r\n"});
    EXPECT_EQ(view.lastWholeSize, std::string("21:05:03  before\r\n21:05:03  during\r\n").size());
}

std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(WriteFileReplacing, ReplacesWholeFilesAndLeavesThemAloneOnFailure) {
    const auto dir = std::filesystem::temp_directory_path() / "kov_safe_file_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto file = dir / "log.txt";

    WriteFileReplacing(file.string(), "first version, longer\r\n");
    WriteFileReplacing(file.string(), "second\r\n");
    EXPECT_EQ(ReadAll(file), "second\r\n");

    // A target that cannot be replaced (a folder) fails with a description and keeps the file.
    const auto folder = dir / "folder";
    std::filesystem::create_directories(folder / "inside");
    EXPECT_THROW(WriteFileReplacing(folder.string(), "x"), AutomationError);
    EXPECT_TRUE(std::filesystem::is_directory(folder / "inside"));

    try {
        WriteFileReplacing((dir / "missing" / "log.txt").string(), "x");
        ADD_FAILURE();
    } catch (const AutomationError& e) {
        EXPECT_NE(e.description().find("missing"), std::string::npos);
    }
    EXPECT_EQ(ReadAll(file), "second\r\n");
    // No temporary files are left behind.
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir)) {
        ++count;
    }
    EXPECT_EQ(count, 2);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kov

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "station/automation_error.h"
#include "station/safe_file.h"

namespace kov {
namespace {

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

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

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

int EntriesIn(const std::filesystem::path& dir) {
    const std::filesystem::directory_iterator entries(dir);
    return static_cast<int>(std::distance(begin(entries), end(entries)));
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
    EXPECT_EQ(EntriesIn(dir), 2);  // no temporary files are left behind
    std::filesystem::remove_all(dir);
}

// Each disk step is taken, in order, and a refusal at any one of them (a close that reports a
// late write error included) leaves the old content and no temporary file. Only the folder flush
// comes after the new content is in place.
TEST(WriteFileReplacing, EveryDiskStepIsTakenAndEachFailureKeepsTheOldFile) {
    const auto dir = std::filesystem::temp_directory_path() / "kov_safe_file_steps";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto file = dir / "points.kov";
    using enum DiskStep;
    const std::vector<DiskStep> all = {Create, Write, Sync, Close, Replace, SyncFolder};
    for (std::size_t failing = 0; failing <= all.size(); ++failing) {
        SCOPED_TRACE(failing);
        WriteFileReplacing(file.string(), "old");
        std::vector<DiskStep> taken;
        const auto check = [&](DiskStep step, const std::string&) {
            taken.push_back(step);
            return failing == all.size() || step != all[failing];
        };
        if (failing == all.size()) {
            WriteFileReplacing(file.string(), "new", check);
        } else {
            EXPECT_THROW(WriteFileReplacing(file.string(), "new", check), AutomationError);
        }
        const std::size_t reached = std::min(failing + 1, all.size());
        EXPECT_EQ(taken, std::vector<DiskStep>(all.begin(), all.begin() + reached));
        EXPECT_EQ(ReadAll(file), failing >= 5 ? "new" : "old");
        EXPECT_EQ(EntriesIn(dir), 1);
    }
    std::filesystem::remove_all(dir);
}

// What stands at the path is kept as it is: permissions, a link to the real file, and a link
// someone planted at the temporary name (never followed; the writer takes another name).
TEST(WriteFileReplacing, KeepsModesLinksAndNeverFollowsAPlantedName) {
    namespace fs = std::filesystem;
    const auto dir = fs::temp_directory_path() / "kov_safe_file_kinds";
    const auto real = dir / "real.txt";
    const auto link = dir / "link.txt";
    const auto victim = dir / "victim.txt";
    enum class Setup { Private, GroupRead, Link, Planted };
    for (const Setup setup : {Setup::Private, Setup::GroupRead, Setup::Link, Setup::Planted}) {
        SCOPED_TRACE(static_cast<int>(setup));
        fs::remove_all(dir);
        fs::create_directories(dir);
        WriteFileReplacing(real.string(), "old");
        WriteFileReplacing(victim.string(), "victim");
        const auto mode = setup == Setup::GroupRead ? fs::perms(0640) : fs::perms(0600);
        fs::permissions(real, mode);
        fs::create_symlink("real.txt", link);
        int planted = 0;
        const auto plant = [&](DiskStep step, const std::string& name) {
            if (setup == Setup::Planted && step == DiskStep::Create && planted++ == 0) {
                fs::create_symlink(victim, name);
            }
            return true;
        };
        WriteFileReplacing((setup == Setup::Link ? link : real).string(), "new", plant);
        EXPECT_EQ(ReadAll(real), "new");
        EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, mode);
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(ReadAll(victim), "victim");
        EXPECT_EQ(planted, setup == Setup::Planted ? 2 : 0);
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace kov

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "station/safe_file.h"
#include "support/raised.h"
#include "support/temp_folder.h"

namespace kov::test {
namespace {

namespace fs = std::filesystem;

TEST(WriteFileReplacing, ReplacesWholeFilesAndLeavesThemAloneOnFailure) {
    const TempFolder dir;
    const auto file = dir.root() / "log.txt";
    WriteFileReplacing(file.string(), "first version, longer\r\n");
    WriteFileReplacing(file.string(), "second\r\n");
    EXPECT_EQ(dir.read("log.txt"), "second\r\n");

    // A target that cannot be replaced (a folder) fails with a description and keeps the file.
    const auto folder = dir.root() / "folder";
    fs::create_directories(folder / "inside");
    EXPECT_NE(ErrorNumber([&] { WriteFileReplacing(folder.string(), "x"); }), 0);
    EXPECT_TRUE(fs::is_directory(folder / "inside"));
    const auto missing = dir.root() / "missing" / "log.txt";
    EXPECT_NE(
        Raised([&] { WriteFileReplacing(missing.string(), "x"); }).description().find("missing"),
        std::string::npos);
    EXPECT_EQ(dir.read("log.txt"), "second\r\n");
    EXPECT_EQ(dir.entries(), 2);  // no temporary files are left behind
}

// Each disk step is taken, in order, and a refusal at any one of them (a close that reports a
// late write error included) leaves the old content and no temporary file. Only the folder flush
// comes after the new content is in place.
TEST(WriteFileReplacing, EveryDiskStepIsTakenAndEachFailureKeepsTheOldFile) {
    const TempFolder dir;
    const auto file = dir.root() / "points.kov";
    using enum DiskStep;
    const std::vector<DiskStep> all = {Create, Write, Sync, Close, Replace, SyncFolder};
    for (std::size_t failing = 0; failing <= all.size(); ++failing) {
        SCOPED_TRACE(failing);
        WriteFileReplacing(file.string(), "old");
        std::vector<DiskStep> taken;
        const int raised = ErrorNumber([&] {
            WriteFileReplacing(file.string(), "new", [&](DiskStep step, const std::string&) {
                taken.push_back(step);
                return failing == all.size() || step != all[failing];
            });
        });
        EXPECT_EQ(raised != 0, failing < all.size());
        const std::size_t reached = std::min(failing + 1, all.size());
        EXPECT_EQ(taken, std::vector<DiskStep>(all.begin(), all.begin() + reached));
        EXPECT_EQ(dir.read("points.kov"), failing >= 5 ? "new" : "old");
        EXPECT_EQ(dir.entries(), 1);
    }
}

// What stands at the path is kept as it is: permissions, a link to the real file, and a link
// someone planted at the temporary name (never followed; the writer takes another name).
TEST(WriteFileReplacing, KeepsModesLinksAndNeverFollowsAPlantedName) {
    enum class Setup { Private, GroupRead, Link, Planted };
    for (const Setup setup : {Setup::Private, Setup::GroupRead, Setup::Link, Setup::Planted}) {
        SCOPED_TRACE(static_cast<int>(setup));
        const TempFolder dir;
        const auto real = dir.root() / "real.txt", link = dir.root() / "link.txt";
        const auto victim = dir.root() / "victim.txt";
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
        EXPECT_EQ(dir.read("real.txt"), "new");
        EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, mode);
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(dir.read("victim.txt"), "victim");
        EXPECT_EQ(planted, setup == Setup::Planted ? 2 : 0);
    }
}

}  // namespace
}  // namespace kov::test

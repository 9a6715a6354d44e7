// Devices, pipes and places that take no file: the safe file writer refuses them instead of
// renaming over a device node, and readers refuse them instead of blocking on a pipe.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "station/automation_error.h"
#include "station/safe_file.h"
#include "support/temp_folder.h"

namespace kov::test {
namespace {

namespace fs = std::filesystem;

struct Place : TempFolder {
    Place() {
        ::mkfifo(path("fifo").c_str(), 0600);
        // A device node of our own, the twin of /dev/null: a regression must never turn the
        // machine's own /dev/null into a regular file. Making one needs root; without it the
        // pipe and the folder stand for them.
        bDevice = ::mknod(path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
        fs::create_symlink(root() / "missing" / "x.json", root() / "dangling");
        fs::create_symlink(root() / "loop-b", root() / "loop-a");
        fs::create_symlink(root() / "loop-a", root() / "loop-b");
    }
    std::string at(const char* name) const { return path(name); }
    bool bDevice = false;
};

std::string Refusal(const std::function<void()>& call) {
    try {
        call();
    } catch (const AutomationError& e) {
        return e.description();
    }
    return "";
}

TEST(NonRegularFiles, WritersAndReadersRefuseWhatIsNoRegularFile) {
    const Place p;
    const struct {
        const char* name;
        std::function<void()> call;
        const char* says;
    } rows[] = {
        {"write a device", [&] { WriteFileReplacing(p.at(p.bDevice ? "null" : "fifo"), "x"); },
         "not a regular file"},
        {"write a pipe", [&] { WriteFileReplacing(p.at("fifo"), "x"); }, "not a regular file"},
        {"write a folder", [&] { WriteFileReplacing(p.path(), "x"); }, "not a regular file"},
        {"check a device", [&] { CheckWritablePlace(p.at(p.bDevice ? "null" : "fifo")); },
         "not a regular file"},
        {"check no name", [] { CheckWritablePlace(""); }, "No file name"},
        {"check a dangling link", [&] { CheckWritablePlace(p.at("dangling")); },
         "does not take new files"},
        {"check a link loop", [&] { CheckWritablePlace(p.at("loop-a")); }, "Cannot follow"},
        {"read a pipe", [&] { CheckReadableFile(p.at("fifo")); }, "not a regular file"},
        {"read a folder", [&] { CheckReadableFile(p.path()); }, "not a regular file"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_NE(Refusal(row.call).find(row.says), std::string::npos) << Refusal(row.call);
    }
    struct stat node {};
    if (p.bDevice) {
        ASSERT_EQ(::stat(p.at("null").c_str(), &node), 0);
        EXPECT_TRUE(S_ISCHR(node.st_mode));
    }
    EXPECT_EQ(Refusal([&] { CheckWritablePlace(p.at("new.json")); }), "");
    EXPECT_EQ(Refusal([&] { CheckReadableFile(p.at("not-there")); }), "");
    EXPECT_EQ(std::distance(fs::directory_iterator(p.root()), fs::directory_iterator()),
              p.bDevice ? 5 : 4);
}

}  // namespace
}  // namespace kov::test

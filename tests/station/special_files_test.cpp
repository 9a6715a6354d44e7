// Devices, pipes and places that take no file: the safe file writer refuses them instead of
// renaming over a device node, and readers refuse them instead of blocking on a pipe.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "station/automation_error.h"
#include "station/safe_file.h"

namespace kov::test {
namespace {

namespace fs = std::filesystem;

struct Place {
    fs::path root = fs::temp_directory_path() / ("kov_special_" + std::to_string(::getpid()));
    Place() {
        fs::create_directories(root);
        ::mkfifo((root / "fifo").c_str(), 0600);
        fs::create_symlink(root / "missing" / "x.json", root / "dangling");
        fs::create_symlink(root / "loop-b", root / "loop-a");
        fs::create_symlink(root / "loop-a", root / "loop-b");
    }
    ~Place() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    std::string at(const char* name) const { return (root / name).string(); }
};

std::string Refusal(const std::function<void()>& call) {
    try {
        call();
    } catch (const AutomationError& e) {
        return e.description();
    }
    return "";
}

TEST(SpecialFiles, WritersAndReadersRefuseWhatIsNoRegularFile) {
    const Place p;
    const struct {
        const char* name;
        std::function<void()> call;
        const char* says;
    } rows[] = {
        {"write /dev/null", [] { WriteFileReplacing("/dev/null", "x"); }, "not a regular file"},
        {"write a pipe", [&] { WriteFileReplacing(p.at("fifo"), "x"); }, "not a regular file"},
        {"write a folder", [&] { WriteFileReplacing(p.root.string(), "x"); }, "not a regular file"},
        {"check /dev/null", [] { CheckWritablePlace("/dev/null"); }, "not a regular file"},
        {"check no name", [] { CheckWritablePlace(""); }, "No file name"},
        {"check a dangling link", [&] { CheckWritablePlace(p.at("dangling")); },
         "does not take new files"},
        {"check a link loop", [&] { CheckWritablePlace(p.at("loop-a")); }, "Cannot follow"},
        {"read a pipe", [&] { CheckReadableFile(p.at("fifo")); }, "not a regular file"},
        {"read /dev/zero", [] { CheckReadableFile("/dev/zero"); }, "not a regular file"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_NE(Refusal(row.call).find(row.says), std::string::npos) << Refusal(row.call);
    }
    struct stat null {};
    ASSERT_EQ(::stat("/dev/null", &null), 0);
    EXPECT_TRUE(S_ISCHR(null.st_mode));
    EXPECT_EQ(Refusal([&] { CheckWritablePlace(p.at("new.json")); }), "");
    EXPECT_EQ(Refusal([&] { CheckReadableFile(p.at("not-there")); }), "");
    EXPECT_EQ(std::distance(fs::directory_iterator(p.root), fs::directory_iterator()), 4);
}

}  // namespace
}  // namespace kov::test

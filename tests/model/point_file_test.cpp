#include "model/point_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <streambuf>

#include "commands/load_save.h"
#include "support/file_size_limit.h"
#include "support/temp_folder.h"
#include "support/test_station.h"

namespace kov::test {
namespace {

using Points = std::vector<MappingPoint>;

TEST(PointFile, LinesSplitAtTheFirstCommaUntrimmedAndInWindows1252) {
    const std::pair<std::string, Points> cases[] = {
        {"Alt Az\r\n\r\nAlt,Az\r\n10,200\r\n", {{"Alt", "Az"}, {"10", "200"}}},
        {"10,200,5\r\n", {{"10", "200,5"}}},
        {" 1 , 2 \r\n,\r\n", {{" 1 ", " 2 "}, {"", ""}}},
        {"a,b\nc,d\re,f", {{"a", "b"}, {"c", "d"}, {"e", "f"}}},  // made elsewhere
        {"45\xBA 30' 00\",180\xBA 00' 05\"\r\n", {{"45\xC2\xBA 30' 00\"", "180\xC2\xBA 00' 05\""}}},
        {"\x80\x99,\x81\x8D\x8F\x90\x9D\r\n",
         {{"\xE2\x82\xAC\xE2\x84\xA2", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"}}},
    };
    for (const auto& [bytes, points] : cases) {
        SCOPED_TRACE(bytes);
        EXPECT_EQ(ParsePointFile(bytes), points);
    }
    EXPECT_EQ(FormatPointFile({{"10", "200"}, {"45\xC2\xBA 30' 00\"", "\xE6\x97\xA5\xFF"}}),
              "10,200\r\n45\xBA 30' 00\",??\r\n");
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

// A stream that delivers the start of a file, then fails as a disk does.
class FailingBuffer : public std::streambuf {
  public:
    explicit FailingBuffer(std::string start) : start_(std::move(start)) {
        setg(start_.data(), start_.data(), start_.data() + start_.size());
    }

  protected:
    int_type underflow() override { throw std::ios_base::failure("device error"); }

  private:
    std::string start_;
};

class PointFileCommands : public testing::Test {
  protected:
    PointFileCommands() {
        b.st.points.replace({{"1", "2"}, {"3", "4"}});
        b.ui.setLabel(Label::FileDisplay, "old.kov");
    }
    std::string path(const char* name) const { return dir.path(name); }
    // The point count, the current file, the list, and the start of the last box shown.
    std::string state(std::size_t boxStart = 0) const {
        std::string s = b.st.settings.NumberOfAligns() + "|" + b.ui.label(Label::FileDisplay);
        for (const MappingPoint& p : b.st.points.points()) {
            s += "|" + p.alt + "," + p.az;
        }
        return b.ui.boxes.empty() ? s : s + "|" + b.ui.boxes.back().text.substr(0, boxStart);
    }

    TestBench b;
    TempFolder dir;
};

TEST_F(PointFileCommands, LoadReplacesTheListOnlyWhenTheWholeFileWasRead) {
    dir.write("good.kov", "Alt Az\r\n\r\n45,90\r\n10,200\r\n");
    dir.write("header.kov", "Alt,Az\r\n10,200\r\n");
    std::filesystem::create_directory(path("folder.kov"));
    // The dialog's answer (none: cancelled), the state after.
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {std::nullopt, "2|old.kov|1,2|3,4"},
        {"", "2|old.kov|1,2|3,4"},
        {path("missing.kov"), "2|old.kov|1,2|3,4|Error: Cannot open " + path("missing.kov")},
        {path("folder.kov"), "2|old.kov|1,2|3,4|Error: Cannot read " + path("folder.kov")},
        {path("header.kov"),
         "2|old.kov|1,2|3,4|Error: " + path("header.kov") + ", line 1: the altitude \"Alt\""},
        {path("good.kov"), "2|" + path("good.kov") + "|45,90|10,200"},
    };
    for (const auto& [answer, after] : cases) {
        SCOPED_TRACE(answer.value_or("<cancel>"));
        b.ui.boxes.clear();
        b.ui.fileAnswers = {answer};
        LoadPts(b.st);
        const std::size_t box = after.find("|Error");
        EXPECT_EQ(state(box == std::string::npos ? 0 : after.size() - box - 1), after);
    }
    const FileDialogRequest& asked = b.ui.fileDialogs.back();
    EXPECT_EQ((std::vector{asked.title, asked.proposedName, asked.defaultExtension, asked.filter}),
              (std::vector<std::string>{"Load Mapping Points", "old.kov", "kov",
                                        "Mapping points (*.kov)"}));
    FailingBuffer failing("10,200\r\n20,");  // a read error part way through the file
    std::istream in(&failing);
    EXPECT_THROW(ReadPointFile(in, "night.kov"), AutomationError);
}

TEST_F(PointFileCommands, SaveWritesExactlyTheRowsAndNeverDestroysTheOldFile) {
    b.ui.fileAnswers = {std::nullopt, path("two.kov")};
    SavePoints(b.st);  // cancelled: nothing written, nothing shown
    SavePoints(b.st);
    EXPECT_EQ(dir.read("two.kov"), "1,2\r\n3,4\r\n");
    EXPECT_EQ(state(100), "2|" + path("two.kov") + "|1,2|3,4|Saved " + path("two.kov"));
    EXPECT_EQ(b.ui.fileDialogs[0].title, "Save Mapping Points");
    EXPECT_EQ(b.ui.fileDialogs[1].proposedName, "old.kov");

    // A write that fails part way, for any user: the old file stays and the name is not taken.
    dir.write("keep.kov", "precious");
    b.st.points.replace({{"1", "2"}, {"5", std::string(40, '6')}});
    b.ui.fileAnswers = {path("keep.kov")};
    {
        FileSizeLimit limit;
        SavePoints(b.st);
    }
    EXPECT_EQ(dir.read("keep.kov"), "precious");
    const std::string error = "Error saving " + path("keep.kov") + "\r\nCannot write";
    EXPECT_EQ(state(error.size()),
              "2|" + path("two.kov") + "|1,2|5," + std::string(40, '6') + "|" + error);

    b.st.points.replace({});
    SavePoints(b.st);
    EXPECT_EQ(state(100), "0|" + path("two.kov") + "|No points to save!");
    EXPECT_EQ(b.ui.fileDialogs.size(), 3u);  // no dialog for the empty list
}

}  // namespace
}  // namespace kov::test

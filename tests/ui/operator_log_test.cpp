#include <gtest/gtest.h>

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

// Each entry is the time, two blanks, the text and CR LF; only an attached view hears of it.
TEST(AddLog, TimeTwoBlanksTextAndCrLfPerEntryToEachAttachedView) {
    test::VirtualClock clock;
    OperatorLog log(clock);
    RecordingView view;
    log.AddLog("A");
    log.attach(&view);
    clock.setTimeOfDay(9, 7, 5);
    log.AddLog("B\r\nsecond line");
    log.detach(&view);
    log.AddLog("C");
    EXPECT_EQ(log.text(), "21:05:03  A\r\n09:07:05  B\r\nsecond line\r\n09:07:05  C\r\n");
    EXPECT_EQ(view.entries, std::vector<std::string>{"09:07:05  B\r\nsecond line\r\n"});
    EXPECT_EQ(view.lastWholeSize, log.text().size() - 13);
}

}  // namespace
}  // namespace kov

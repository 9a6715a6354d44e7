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

}  // namespace
}  // namespace kov

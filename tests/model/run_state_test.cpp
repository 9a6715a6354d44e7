#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

#include "model/run_state.h"
#include "support/test_station.h"

namespace kov {
namespace {

using test::RecordedBox;
using test::TestBench;

// Without a pending error only the flag is cleared; with one the operator is asked in
// hexadecimal, the error is logged, the answer is followed, and the error is never cleared.
TEST(PromptOnError, AsksInHexadecimalLogsAndFollowsTheAnswer) {
    TestBench b;
    bool bErrorOccurred = true;
    PromptOnError(b.st, bErrorOccurred);
    EXPECT_FALSE(bErrorOccurred);
    EXPECT_TRUE(b.ui.boxes.empty() && b.ui.windowCalls.empty() && b.st.log.text().empty());

    b.st.error.set(424, "Object required");
    b.ui.answers = {Answer::No, Answer::Yes};
    bErrorOccurred = true;
    PromptOnError(b.st, bErrorOccurred);
    EXPECT_FALSE(bErrorOccurred);
    ASSERT_EQ(b.ui.boxes.size(), 1u);
    const RecordedBox& box = b.ui.boxes[0];
    EXPECT_EQ(std::tuple(box.text, box.title, box.buttons, box.icon),
              std::tuple("An error has occurred running this script. Error # 1A8 Object "
                         "required\r\n\r\nExit Script?",
                         "", Buttons::YesNo, Icon::Information));  // "": the program title
    EXPECT_EQ(b.ui.windowCalls, (std::vector<std::string>{"foreground", "raise"}));
    EXPECT_EQ(b.st.log.text(), "21:05:03  Error! # 1A8 Object required\r\n");

    PromptOnError(b.st, bErrorOccurred);
    EXPECT_TRUE(bErrorOccurred);
    EXPECT_EQ(b.st.error.number, 424);
}

// Non-finite angles return instead of looping forever.
TEST(AdjustDeg, BringsAnglesIntoZeroTo360) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const std::pair<double, double> cases[] = {
        {-725, 355},        {720, 0},  {-0.5, 359.5}, {360, 0},
        {359.999, 359.999}, {kInf, 0}, {-kInf, 0},    {std::nan(""), 0},
    };
    for (const auto& [angle, adjusted] : cases) {
        EXPECT_DOUBLE_EQ(AdjustDeg(angle), adjusted) << angle;
    }
    for (const double angle : {-1e-20, 1e300}) {
        EXPECT_GE(AdjustDeg(angle), 0.0);
        EXPECT_LT(AdjustDeg(angle), 360.0);
    }
}

}  // namespace
}  // namespace kov

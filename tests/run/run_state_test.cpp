#include <gtest/gtest.h>

#include <limits>

#include "run/run_state.h"
#include "support/test_station.h"

namespace kov {
namespace {

using test::TestBench;

TEST(PromptOnError, WithoutAPendingErrorOnlyClearsTheFlag) {
    TestBench b;
    bool bErrorOccurred = true;
    PromptOnError(b.st, bErrorOccurred);
    EXPECT_FALSE(bErrorOccurred);
    EXPECT_TRUE(b.ui.boxes.empty());
    EXPECT_TRUE(b.ui.windowCalls.empty());
    EXPECT_EQ(b.st.log.text(), "");
}

TEST(PromptOnError, AsksInHexadecimalLogsAndFollowsTheAnswer) {
    TestBench b;
    b.st.error.set(424, "Object required");
    b.ui.answers = {Answer::No, Answer::Yes};

    bool bErrorOccurred = true;
    PromptOnError(b.st, bErrorOccurred);
    EXPECT_FALSE(bErrorOccurred);
    ASSERT_EQ(b.ui.boxes.size(), 1u);
    EXPECT_EQ(b.ui.boxes[0].text,
              "An error has occurred running this script. Error # 1A8 Object required\r\n\r\n"
              "Exit Script?");
    EXPECT_EQ(b.ui.boxes[0].title, "");  // the program title
    EXPECT_EQ(b.ui.boxes[0].buttons, Buttons::YesNo);
    EXPECT_EQ(b.ui.boxes[0].icon, Icon::Information);
    EXPECT_EQ(b.ui.windowCalls, (std::vector<std::string>{"foreground", "raise"}));
    EXPECT_EQ(b.st.log.text(), "21:05:03  Error! # 1A8 Object required\r\n");

    PromptOnError(b.st, bErrorOccurred);
    EXPECT_TRUE(bErrorOccurred);
    EXPECT_EQ(b.st.error.number, 424);  // reporting never clears the error
}

TEST(AdjustDeg, BringsAnglesIntoZeroTo360) {
    EXPECT_DOUBLE_EQ(AdjustDeg(-725), 355);
    EXPECT_DOUBLE_EQ(AdjustDeg(720), 0);
    EXPECT_DOUBLE_EQ(AdjustDeg(-0.5), 359.5);
    EXPECT_DOUBLE_EQ(AdjustDeg(360), 0);
    EXPECT_DOUBLE_EQ(AdjustDeg(359.999), 359.999);
    EXPECT_DOUBLE_EQ(AdjustDeg(0), 0);
    EXPECT_LT(AdjustDeg(-1e-20), 360.0);
    const double huge = AdjustDeg(1e300);
    EXPECT_GE(huge, 0.0);
    EXPECT_LT(huge, 360.0);
}

TEST(AdjustDeg, NonFiniteAnglesReturnInsteadOfLoopingForever) {
    EXPECT_EQ(AdjustDeg(std::numeric_limits<double>::quiet_NaN()), 0.0);
    EXPECT_EQ(AdjustDeg(std::numeric_limits<double>::infinity()), 0.0);
    EXPECT_EQ(AdjustDeg(-std::numeric_limits<double>::infinity()), 0.0);
}

}  // namespace
}  // namespace kov

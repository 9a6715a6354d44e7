#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "station/automation_error.h"
#include "station/texts.h"

namespace kov {
namespace {

TEST(LeadingNumber, ReadsTheNumberATextBeginsWith) {
    EXPECT_DOUBLE_EQ(LeadingNumber("45abc"), 45.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("  \t\n-12.5e1x"), -125.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("+.5"), 0.5);
    EXPECT_DOUBLE_EQ(LeadingNumber("5."), 5.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("3e"), 3.0);  // an exponent needs digits
    EXPECT_DOUBLE_EQ(LeadingNumber("3e+x"), 3.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("1,5"), 1.0);  // "." is the decimal point everywhere
    EXPECT_DOUBLE_EQ(LeadingNumber("1 2"), 1.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("1e-999"), 0.0);  // too small is simply zero
}

TEST(LeadingNumber, TextsWithoutANumberReadAsZero) {
    for (const char* text : {"", "abc", "-", ".", "+.e5", "  ", "\r5"}) {
        EXPECT_EQ(LeadingNumber(text), 0.0) << text;
    }
}

TEST(LeadingNumber, NumbersTooLargeForADoubleAreErrors) {
    const std::string nines(400, '9');
    for (const std::string& text :
         {std::string("1e999"), std::string("-1e999"), std::string("1e309abc"), nines}) {
        try {
            LeadingNumber(text);
            ADD_FAILURE() << text;
        } catch (const AutomationError& e) {
            EXPECT_EQ(e.number(), kErrOverflow);
        }
    }
    EXPECT_DOUBLE_EQ(LeadingNumber("1.7e308"), 1.7e308);
}

TEST(GeneralNumber, FifteenSignificantDigitsWithoutTrailingZeros) {
    EXPECT_EQ(GeneralNumber(1.7), "1.7");
    EXPECT_EQ(GeneralNumber(3.0), "3");
    EXPECT_EQ(GeneralNumber(-0.0), "0");
    EXPECT_EQ(GeneralNumber(0.1 + 0.2), "0.3");
    EXPECT_EQ(GeneralNumber(12.3456789012345678), "12.3456789012346");
    EXPECT_EQ(GeneralNumber(1e20), "1E+20");
}

TEST(HexNumber, UpperCaseWithoutPrefix) {
    EXPECT_EQ(HexNumber(424), "1A8");
    EXPECT_EQ(HexNumber(0), "0");
    EXPECT_EQ(HexNumber(static_cast<std::int32_t>(0x80040154)), "80040154");
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(2.6), 3);
}

}  // namespace
}  // namespace kov

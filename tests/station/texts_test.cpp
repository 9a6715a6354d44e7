#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "station/texts.h"
#include "support/raised.h"

namespace kov::test {
namespace {

// A text is read as far as it holds a number; an exponent needs digits, "." is the decimal point
// everywhere, too small is simply zero, and a text without a number reads as zero.
TEST(LeadingNumber, ReadsTheNumberATextBeginsWith) {
    const std::pair<const char*, double> cases[] = {
        {"45abc", 45.0}, {"  \t\n-12.5e1x", -125.0},
        {"+.5", 0.5},    {"5.", 5.0},
        {"3e", 3.0},     {"3e+x", 3.0},
        {"1,5", 1.0},    {"1 2", 1.0},
        {"1e-999", 0.0}, {"1.7e308", 1.7e308},
        {"", 0.0},       {"abc", 0.0},
        {"-", 0.0},      {".", 0.0},
        {"+.e5", 0.0},   {"  ", 0.0},
        {"\r5", 0.0},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_DOUBLE_EQ(LeadingNumber(text), value) << text;
    }
    // Numbers too large for a double are errors.
    for (const std::string& text : {std::string("1e999"), std::string("-1e999"),
                                    std::string("1e309abc"), std::string(400, '9')}) {
        EXPECT_EQ(ErrorNumber([&] { LeadingNumber(text); }), kErrOverflow) << text;
    }
}

TEST(Texts, NumbersAsTheOperatorSeesThem) {
    EXPECT_EQ((std::vector{GeneralNumber(1.7), GeneralNumber(3.0), GeneralNumber(-0.0),
                           GeneralNumber(0.1 + 0.2), GeneralNumber(12.3456789012345678),
                           GeneralNumber(1e20)}),
              (std::vector<std::string>{"1.7", "3", "0", "0.3", "12.3456789012346", "1E+20"}));
    EXPECT_EQ(HexNumber(0) + " " + HexNumber(static_cast<std::int32_t>(0x80040154)), "0 80040154");
    EXPECT_EQ((std::vector{RoundHalfEven(-0.5), RoundHalfEven(0.5), RoundHalfEven(2.6)}),
              (std::vector<long long>{0, 0, 3}));
}

}  // namespace
}  // namespace kov::test

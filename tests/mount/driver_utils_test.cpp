#include "mount/driver_utils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/raised.h"

namespace kov::test {
namespace {

// Whole degrees keep every digit they have (the two-digit minimum only pads); 59.6 seconds round
// up to a whole minute; a value a hair below a whole hour must not read "08:59:60" or "08:60:00";
// a bare hours count keeps its 24; negatives carry only a minus sign.
TEST(DriverUtilFormat, ReferenceVectorsCarriesAndSigns) {
    LocalDriverUtil util;
    EXPECT_EQ(util.DegreesToDMS(43.123894628, kDegreeSeparator, kMinuteSeparator, kSecondSeparator),
              "43\xC2\xB0 07' 26\"");
    EXPECT_EQ(FormatDegreesDMS(43.123894628), "43\xC2\xB0 07' 26\"");
    EXPECT_EQ(util.HoursToHMS(9.4367290317, ":", ":", ""), "09:26:12");
    EXPECT_EQ(FormatHoursHMS(9.4367290317), "09:26:12");
    EXPECT_EQ(FormatHoursHMS(9.0 - 1e-9), "09:00:00");
    EXPECT_EQ(FormatHoursHMS(23.99999), "24:00:00");
    // A time of day a hair before midnight is midnight.
    EXPECT_EQ(util.HoursToHMS(23.9999, ":", ":", ""), "00:00:00");
    std::string texts;
    for (const double v : {123.5, 0.0, 10.0 + 59.0 / 60.0 + 59.6 / 3600.0,
                           5.0 + 12.0 / 60.0 + 59.7 / 3600.0, 5.5, -5.5, -0.25, -89.999999}) {
        texts += FormatDegreesDMS(v, ":", ":", "") + " ";
    }
    EXPECT_EQ(texts,
              "123:30:00 00:00:00 11:00:00 05:13:00 05:30:00 -05:30:00 -00:15:00 -90:00:00 ");
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300}) {
        EXPECT_EQ(ErrorNumber([&] { FormatDegreesDMS(bad); }), kErrOverflow) << bad;
    }
}

// Only three numbers count; minutes and seconds of 60 or more count as written, as the ASCOM
// utilities read them. The sign comes only from a leading minus, a Unicode one (as pasted from
// web pages and word processors) included; inner dashes only separate.
TEST(DriverUtilParse, ReferenceSeparatorsAndSigns) {
    EXPECT_NEAR(LocalDriverUtil().DMSToDegrees("43:56:78.2567"), 43.9550713055555, 1e-12);
    const double dms = 43.0 + 7.0 / 60 + 26.0 / 3600;
    const std::pair<const char*, double> cases[] = {
        {"43\xC2\xB0 07' 26\"", dms},
        {"43\xBA 07' 26\"", dms},  // Windows-1252 text
        {"  12h30m  ", 12.5},
        {"17.25", 17.25},
        {"1 2 3 4", 1.0 + 2.0 / 60 + 3.0 / 3600},
        {"12:75:99", 12.0 + 75.0 / 60 + 99.0 / 3600},
        {"  -05:30:00", -5.5},
        {"-00:15:00", -0.25},
        {"+05:30:00", 5.5},
        {"05-30-00", 5.5},
        {" \u22125:30", -5.5},
        {"05\u221230", 5.5},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_NEAR(ParseDMS(text), value, 1e-12) << text;
    }
    // A text without a number raises instead of reading 0.
    for (const char* garbage : {"", "   ", "abc", "-", "N/A", "--:--:--", "."}) {
        EXPECT_EQ(ErrorNumber([&] { LocalDriverUtil().DMSToDegrees(garbage); }), kErrTypeMismatch)
            << garbage;
    }
    EXPECT_NE(ErrorNumber([&] { ParseDMS(std::string(400, '9')); }), 0);
}

}  // namespace
}  // namespace kov::test

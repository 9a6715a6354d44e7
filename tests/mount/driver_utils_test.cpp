#include "mount/driver_utils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "station/automation_error.h"

namespace kov {
namespace {

TEST(DriverUtilFormat, ReferenceVectors) {
    LocalDriverUtil util;
    EXPECT_EQ(util.DegreesToDMS(43.123894628, kDegreeSeparator, kMinuteSeparator, kSecondSeparator),
              "43\xC2\xB0 07' 26\"");
    EXPECT_EQ(util.HoursToHMS(9.4367290317, ":", ":", ""), "09:26:12");
    EXPECT_EQ(FormatDegreesDMS(43.123894628), "43\xC2\xB0 07' 26\"");
    EXPECT_EQ(FormatHoursHMS(9.4367290317), "09:26:12");
    // Whole degrees keep every digit they have; the two-digit minimum only pads.
    EXPECT_EQ(FormatDegreesDMS(123.5, ":", ":", ""), "123:30:00");
    EXPECT_EQ(FormatDegreesDMS(0.0, ":", ":", ""), "00:00:00");
}

TEST(DriverUtilFormat, SecondsCarryIntoMinutesAndDegrees) {
    // 59.6 seconds round up to a whole minute...
    EXPECT_EQ(FormatDegreesDMS(10.0 + 59.0 / 60.0 + 59.6 / 3600.0, ":", ":", ""), "11:00:00");
    EXPECT_EQ(FormatDegreesDMS(5.0 + 12.0 / 60.0 + 59.7 / 3600.0, ":", ":", ""), "05:13:00");
    // ...and a value a hair below a whole hour must not read "08:59:60" or "08:60:00".
    EXPECT_EQ(FormatHoursHMS(9.0 - 1e-9), "09:00:00");
    // A time of day a hair before midnight is midnight; a bare hours count keeps its 24.
    EXPECT_EQ(LocalDriverUtil().HoursToHMS(23.9999, ":", ":", ""), "00:00:00");
    EXPECT_EQ(FormatHoursHMS(23.99999), "24:00:00");
}

TEST(DriverUtilFormat, NegativesCarryOnlyAMinusSign) {
    EXPECT_EQ(FormatDegreesDMS(-5.5, ":", ":", ""), "-05:30:00");
    EXPECT_EQ(FormatDegreesDMS(-0.25, ":", ":", ""), "-00:15:00");
    EXPECT_EQ(FormatDegreesDMS(-89.999999, ":", ":", ""), "-90:00:00");
    EXPECT_EQ(FormatDegreesDMS(5.5, ":", ":", "").find('+'), std::string::npos);
}

TEST(DriverUtilFormat, UnwritableValuesRaiseOverflow) {
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300}) {
        try {
            FormatDegreesDMS(bad);
            ADD_FAILURE() << "no error for " << bad;
        } catch (const AutomationError& e) {
            EXPECT_EQ(e.number(), kErrOverflow);
        }
    }
}

TEST(DriverUtilParse, ReferenceAndSeparators) {
    LocalDriverUtil util;
    EXPECT_NEAR(util.DMSToDegrees("43:56:78.2567"), 43.9550713055555, 1e-12);
    EXPECT_NEAR(ParseDMS("43\xC2\xB0 07' 26\""), 43.0 + 7.0 / 60 + 26.0 / 3600, 1e-12);
    EXPECT_NEAR(ParseDMS("43\xBA 07' 26\""), 43.0 + 7.0 / 60 + 26.0 / 3600, 1e-12);  // 1252 text
    EXPECT_NEAR(ParseDMS("  12h30m  "), 12.5, 1e-12);
    EXPECT_NEAR(ParseDMS("17.25"), 17.25, 1e-12);
    // Only three numbers count; a fourth is ignored.
    EXPECT_NEAR(ParseDMS("1 2 3 4"), 1.0 + 2.0 / 60 + 3.0 / 3600, 1e-12);
    // Minutes and seconds of 60 or more count as written, as the ASCOM utilities read them.
    EXPECT_NEAR(ParseDMS("12:75:99"), 12.0 + 75.0 / 60 + 99.0 / 3600, 1e-12);
}

TEST(DriverUtilParse, SignComesOnlyFromALeadingMinus) {
    EXPECT_NEAR(ParseDMS("  -05:30:00"), -5.5, 1e-12);
    EXPECT_NEAR(ParseDMS("-00:15:00"), -0.25, 1e-12);
    EXPECT_NEAR(ParseDMS("+05:30:00"), 5.5, 1e-12);
    EXPECT_NEAR(ParseDMS("05-30-00"), 5.5, 1e-12);  // inner dashes only separate
    // A Unicode minus, as pasted from web pages and word processors, is a minus.
    EXPECT_NEAR(ParseDMS(" \xE2\x88\x92"
                         "5:30"),
                -5.5, 1e-12);
    EXPECT_NEAR(ParseDMS("05\xE2\x88\x92"
                         "30"),
                5.5, 1e-12);
}

TEST(DriverUtilParse, FormattedTextsReadBack) {
    for (double v : {0.0, 1.0 / 3600, 47.25, -33.8675, 89.99, -179.5}) {
        EXPECT_NEAR(ParseDMS(FormatDegreesDMS(v)), v, 0.5 / 3600 + 1e-12) << v;
        EXPECT_NEAR(ParseDMS(FormatDegreesDMS(v, ":", ":", "")), v, 0.5 / 3600 + 1e-12) << v;
    }
}

TEST(DriverUtilParse, TextWithoutNumberRaisesInsteadOfReadingZero) {
    LocalDriverUtil util;
    for (const char* garbage : {"", "   ", "abc", "-", "N/A", "--:--:--", "."}) {
        try {
            util.DMSToDegrees(garbage);
            ADD_FAILURE() << "no error for \"" << garbage << "\"";
        } catch (const AutomationError& e) {
            EXPECT_EQ(e.number(), kErrTypeMismatch);
        }
    }
    EXPECT_THROW(ParseDMS(std::string(400, '9')), AutomationError);
}

}  // namespace
}  // namespace kov

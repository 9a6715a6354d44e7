// Point-file points are checked when the file is loaded: a point the mount must never be sent
// to, or a text that is not plainly an angle, refuses the file and names the line.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "model/point_file.h"
#include "mount/move_to_list_point.h"
#include "station/automation_error.h"

namespace kov::test {
namespace {

TEST(PlainAngle, ReadsAngleTextsAndNothingElse) {
    const struct {
        const char* text;
        std::optional<double> degrees;
    } rows[] = {
        {"45", 45.0},
        {"45.5", 45.5},
        {"45:30:00", 45.5},
        {"45\xC2\xB0 30' 36\"", 45.51},
        {"45\xC2\xBA" "30'", 45.5},
        {"-30", -30.0},
        {" 12 ", 12.0},
        {"1e400", std::nullopt},
        {"4.5E+01", std::nullopt},
        {"abc12", std::nullopt},
        {"12abc", std::nullopt},
        {"", std::nullopt},
        {"--5", std::nullopt},
        {"10:75", std::nullopt},
        {"1:2:3:4", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const std::optional<double> read = PlainAngle(row.text);
        ASSERT_EQ(read.has_value(), row.degrees.has_value());
        if (read) {
            EXPECT_NEAR(*read, *row.degrees, 1e-9);
        }
    }
}

TEST(PointFileCheck, RefusesPointsOutOfRangeNamingTheLine) {
    const struct {
        const char* bytes;
        const char* says;  // null: accepted
    } rows[] = {
        {"45,180\r\n0,0\r\n90,360\r\nno comma here\r\n", nullptr},
        {"45,180\r\n200,90\r\n", "line 2: the altitude \"200\""},
        {"91,10\r\n", "line 1: the altitude \"91\""},
        {"-30,100\r\n", "line 1: the altitude \"-30\""},
        {"30,361\r\n", "line 1: the azimuth \"361\""},
        {"1e400,10\r\n", "line 1: the altitude \"1e400\""},
        {"4.5E+01,10\r\n", "line 1: the altitude \"4.5E+01\""},
        {"abc12,10\r\n", "line 1: the altitude \"abc12\""},
        {"10,20\n30,40\r50,x\r\n", "line 3: the azimuth \"x\""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.bytes);
        if (row.says == nullptr) {
            EXPECT_NO_THROW(CheckPointFile(row.bytes, "west.kov"));
            continue;
        }
        try {
            CheckPointFile(row.bytes, "west.kov");
            ADD_FAILURE() << "accepted";
        } catch (const AutomationError& e) {
            EXPECT_NE(e.description().find(std::string("west.kov, ") + row.says), std::string::npos)
                << e.description();
        }
    }
}

TEST(PointSlews, NothingOutsideTheSkyIsEverSent) {
    EXPECT_NO_THROW(CheckAltAzSlew(0.0, 0.0, "0,0"));
    EXPECT_NO_THROW(CheckAltAzSlew(90.0, 360.0, "90,360"));
    for (const auto& [alt, az] : {std::pair{91.0, 10.0},
                                  {-1.0, 10.0},
                                  {45.0, 360.5},
                                  {45.0, -0.1},
                                  {NAN, 10.0},
                                  {45.0, INFINITY}}) {
        EXPECT_THROW(CheckAltAzSlew(alt, az, "p"), AutomationError) << alt << "," << az;
    }
}

}  // namespace
}  // namespace kov::test

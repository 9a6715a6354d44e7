// The headless runner's files about the model: the report, the CSV and the chart image hold the
// same points.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "headless/program_run.h"

namespace kov::test {
namespace {

std::vector<std::vector<std::string>> CsvRows(const std::string& csv) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(csv);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) {
            fields.push_back(cell);
        }
        if (!line.empty() && line.back() == ',') {
            fields.emplace_back();
        }
        rows.push_back(fields);
    }
    return rows;
}

TEST(HeadlessModelFiles, ReportCsvAndPlotHoldTheSamePoints) {
    TempFolder dir;
    const ProgramRun run =
        RunProgram(dir.path(), {"test", "start", "--fast", "--set", "PixelScale=1", "--set",
                                "NumberOfAligns=4", "--report", dir.path("r.json"), "--csv",
                                dir.path("points.csv"), "--plot", dir.path("model.png")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(dir.read("model.png").substr(0, 6), "\x89PNG\r\n");

    const nlohmann::json report = nlohmann::json::parse(dir.read("r.json"));
    const auto rows = CsvRows(dir.read("points.csv"));
    ASSERT_FALSE(rows.empty());
    const std::vector<std::string>& header = rows[0];
    const auto column = [&](const char* name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) -
                                        header.begin());
    };
    std::size_t row = 1;
    for (std::size_t r = 0; r < report["runs"].size(); ++r) {
        for (const auto& point : report["runs"][r]["points"]) {
            SCOPED_TRACE("run " + std::to_string(r + 1) + " row " + std::to_string(row));
            ASSERT_LT(row, rows.size());
            const auto& cells = rows[row++];
            ASSERT_EQ(cells.size(), header.size());
            EXPECT_EQ(cells[column("run")], std::to_string(r + 1));
            EXPECT_EQ(cells[column("image")], std::to_string(point["image"].get<int>()));
            EXPECT_EQ(cells[column("outcome")], point["outcome"]);
            EXPECT_FALSE(point["altAz"].is_null());  // the mount said where it pointed
            const auto& error = point["errorArcsec"];
            EXPECT_EQ(cells[column("error_dec_arcsec")].empty(), error.is_null());
            if (!error.is_null()) {
                EXPECT_NEAR(std::stod(cells[column("error_ra_arcsec")]), error["ra"].get<double>(),
                            1e-6);
            }
        }
    }
    EXPECT_EQ(row, rows.size());  // one row per point, nothing more
}

}  // namespace
}  // namespace kov::test

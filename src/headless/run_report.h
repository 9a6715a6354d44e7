#pragma once

#include <string>
#include <vector>

#include "model/run_record.h"

namespace kov::headless {

// One run of the report: the command word it was given as, and what the run recorded.
struct ReportedRun {
    std::string command;  // "start", "test", "sync", "align"
    RunRecord record;
};

// The run records as JSON: {"program": ..., "runs": [...]}, terms in arc minutes as read from
// the controller, positions in hours and degrees, TEST statistics in degrees; what was not read
// is null.
std::string ReportJson(const std::string& program, const std::vector<ReportedRun>& runs);

// Through the safe file writer: a failed write leaves an existing report as it was. Throws
// AutomationError naming the file.
void WriteReport(const std::string& path, const std::string& program,
                 const std::vector<ReportedRun>& runs);

}  // namespace kov::headless

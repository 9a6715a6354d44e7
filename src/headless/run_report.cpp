#include "headless/run_report.h"

#include <nlohmann/json.hpp>

#include "run/model_view.h"
#include "station/safe_file.h"

namespace kov::headless {

namespace {

using Json = nlohmann::ordered_json;

template <class T, class ToJson>
Json OrNull(const std::optional<T>& value, ToJson toJson) {
    return value ? toJson(*value) : Json(nullptr);
}

Json Terms(const ModelTerms& t) {
    return Json{{"az", t.a}, {"el", t.e}};
}

Json Position(const SkyPosition& p) {
    return Json{{"ra", p.ra}, {"dec", p.dec}};
}

Json Number(double value) {
    return value;
}

Json Horizontal(const HorizontalPosition& p) {
    return Json{{"alt", p.alt}, {"az", p.az}};
}

Json Error(const PointingError& e) {
    return Json{{"ra", e.ra}, {"dec", e.dec}};
}

// The same view the charts and the CSV read, so the three never disagree.
Json Point(const ModelViewPoint& p) {
    Json point;
    point["image"] = p.imageNumber;
    point["target"] = OrNull(p.target, Position);
    point["solved"] = OrNull(p.solved, Position);
    point["status"] = p.status;
    point["description"] = p.statusText;
    point["terms"] = OrNull(p.terms, Terms);
    point["sent"] = SentAsName(p.sent);
    point["outcome"] = PointOutcomeName(p.outcome);
    point["altAz"] = OrNull(p.sky, Horizontal);
    point["errorArcsec"] = OrNull(p.error, Error);
    return point;
}

Json Run(const ReportedRun& run) {
    const RunRecord& r = run.record;
    Json json;
    json["command"] = run.command;
    json["ending"] = RunEndingName(r.ending);
    json["startTerms"] = OrNull(r.startTerms, Terms);
    json["endTerms"] = OrNull(r.endTerms, Terms);
    json["rmsDeg"] = OrNull(r.testRmsDeg, Number);
    json["peakDeg"] = OrNull(r.testPeakDeg, Number);
    json["pointsAsked"] = r.pointsAsked;
    json["pointsSolved"] = r.pointsSolved();
    Json points = Json::array();
    for (const ModelViewPoint& p : BuildModelView(r).points) {
        points.push_back(Point(p));
    }
    json["points"] = std::move(points);
    return json;
}

}  // namespace

std::string ReportJson(const std::string& program, const std::vector<ReportedRun>& runs) {
    Json runList = Json::array();
    for (const ReportedRun& run : runs) {
        runList.push_back(Run(run));
    }
    Json report;
    report["program"] = program;
    report["runs"] = std::move(runList);
    // Invalid UTF-8 in a description from an outside program becomes U+FFFD, not an exception.
    return report.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

void WriteReport(const std::string& path, const std::string& program,
                 const std::vector<ReportedRun>& runs) {
    WriteFileReplacing(path, ReportJson(program, runs));
}

}  // namespace kov::headless

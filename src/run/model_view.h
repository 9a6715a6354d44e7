#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/run_record.h"

namespace kov {

struct RunSettings;
class PointList;

// What became of a point, as the charts mark it.
enum class PointOutcome {
    Failed,  // no plate solution
    Solved,  // solved, not sent (a TEST run, or a point whose send did not happen)
    Sent,    // solved and sent to the controller as a sync or an alignment point
};

const char* PointOutcomeName(PointOutcome outcome);  // "failed", "solved", "sent"

// Pointing error of one point, arc seconds: the solved position minus the target, right
// ascension scaled by cos(Dec) so that both axes measure the same angle on the sky.
struct PointingError {
    double ra = 0.0;
    double dec = 0.0;
};

// One point as the charts, the CSV and the report show it.
struct ModelViewPoint {
    int imageNumber = 0;
    PointOutcome outcome = PointOutcome::Failed;
    SentAs sent = SentAs::Nothing;
    std::optional<SkyPosition> target;
    std::optional<SkyPosition> solved;  // only for a solved point
    std::optional<HorizontalPosition> sky;
    std::optional<PointingError> error;  // needs a target and a solution
    std::optional<ModelTerms> terms;
    std::int32_t status = 0;
    std::string statusText;
};

// The terms read after one alignment point.
struct TermReading {
    int alignment = 0;  // 1 for the first alignment point after the sync
    int imageNumber = 0;
    ModelTerms terms;
};

// The spread of one term over the last readings: a narrow band means the term has settled.
struct TermBand {
    int firstAlignment = 0;
    int lastAlignment = 0;
    double low = 0.0;
    double high = 0.0;
};

inline constexpr std::size_t kSettleReadings = 3;

struct ModelView {
    RunCommand command = RunCommand::Start;
    RunEnding ending = RunEnding::Running;
    int pointsAsked = 0;
    std::vector<ModelViewPoint> points;
    std::vector<TermReading> history;    // one per alignment point whose terms were read
    std::optional<TermBand> azBand;      // over the last kSettleReadings readings, once there are
    std::optional<TermBand> elBand;      // that many
    std::optional<std::size_t> current;  // the point in progress while the run goes on

    int count(PointOutcome outcome) const;
};

ModelView BuildModelView(const RunRecord& record);

// The term chart's vertical scale, arc minutes: a round step (1, 2 or 5 times a power of ten, at
// least half an arc minute, so the zero line reads "0") for four to eight lines over the readings
// and zero, with a margin; `span` is the range the step was chosen for.
struct TermScale {
    double bottom = 0.0;
    double top = 0.0;
    double step = 0.5;
    double span = 0.0;
};
TermScale TermChartScale(const std::vector<TermReading>& history);

// Folded to -180..180 degrees of declination difference and -12..12 h of right ascension, so a
// target written as 0..360 degrees or across 0 h still gives the short way round.
PointingError PointingErrorOf(const SkyPosition& target, const SkyPosition& solved);

// --- The sky behind the points --------------------------------------------------------------

// Horizon heights of the Map Points pattern, degrees, at the four cardinal azimuths.
struct HorizonHeights {
    double north = 0.0;
    double east = 0.0;
    double south = 0.0;
    double west = 0.0;
};

// The horizon height at an azimuth, straight between the cardinal heights.
double HorizonHeightAt(const HorizonHeights& heights, double az);

// What the sky chart draws under the run's points: in Map Points, the horizon heights and the
// list points; in Zig-Zag nothing.
struct SkyBackdrop {
    bool bMapPoints = false;
    HorizonHeights heights;
    std::vector<HorizontalPosition> listPoints;  // the ones whose texts read as angles
};

SkyBackdrop BuildSkyBackdrop(const RunSettings& settings, const PointList& points);

// An angle text as the point list holds it ("45º 30' 15\"", "-12:30", "271.5") in degrees;
// nothing when it holds no number.
std::optional<double> AngleTextDegrees(const std::string& text);

}  // namespace kov

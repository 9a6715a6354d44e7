#include "run/model_view.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "model/point_list.h"
#include "model/run_settings.h"
#include "station/texts.h"

namespace kov {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Into -half..half of a full turn `full`.
double Folded(double value, double full) {
    const double half = full / 2.0;
    double folded = std::fmod(value + half, full);
    if (folded < 0.0) {
        folded += full;
    }
    return folded - half;
}

std::optional<TermBand> Band(const std::vector<TermReading>& history, double ModelTerms::*term) {
    if (history.size() < kSettleReadings) {
        return std::nullopt;
    }
    const auto first = history.end() - static_cast<std::ptrdiff_t>(kSettleReadings);
    TermBand band{first->alignment, history.back().alignment, (*first).terms.*term,
                  (*first).terms.*term};
    for (auto it = first; it != history.end(); ++it) {
        band.low = std::min(band.low, it->terms.*term);
        band.high = std::max(band.high, it->terms.*term);
    }
    return band;
}

}  // namespace

const char* PointOutcomeName(PointOutcome outcome) {
    switch (outcome) {
        case PointOutcome::Failed:
            return "failed";
        case PointOutcome::Solved:
            return "solved";
        case PointOutcome::Sent:
            return "sent";
    }
    return "failed";
}

int ModelView::count(PointOutcome outcome) const {
    return static_cast<int>(
        std::count_if(points.begin(), points.end(),
                      [&](const ModelViewPoint& p) { return p.outcome == outcome; }));
}

PointingError PointingErrorOf(const SkyPosition& target, const SkyPosition& solved) {
    const double targetDec = Folded(target.dec, 360.0);
    const double dRaHours = Folded(solved.ra - target.ra, 24.0);
    const double dDec = Folded(solved.dec - target.dec, 360.0);
    return {dRaHours * 15.0 * 3600.0 * std::cos(targetDec * kPi / 180.0), dDec * 3600.0};
}

ModelView BuildModelView(const RunRecord& record) {
    ModelView view;
    view.command = record.command;
    view.ending = record.ending;
    view.pointsAsked = record.pointsAsked;
    view.points.reserve(record.points.size());
    for (const PointRecord& p : record.points) {
        ModelViewPoint point;
        point.imageNumber = p.imageNumber;
        point.sent = p.sent;
        point.target = p.target;
        point.sky = p.mount;
        point.terms = p.terms;
        point.status = p.status;
        point.statusText = p.statusText;
        // A point that failed has no solution, whatever was read before the failure.
        if (p.status == 0 && p.solved) {
            point.solved = p.solved;
            point.outcome = p.sent != SentAs::Nothing ? PointOutcome::Sent : PointOutcome::Solved;
            if (p.target) {
                point.error = PointingErrorOf(*p.target, *p.solved);
            }
        }
        if (p.sent == SentAs::Alignment && p.terms) {
            view.history.push_back(
                {static_cast<int>(view.history.size()) + 1, p.imageNumber, *p.terms});
        }
        view.points.push_back(std::move(point));
    }
    view.azBand = Band(view.history, &ModelTerms::a);
    view.elBand = Band(view.history, &ModelTerms::e);
    if (record.ending == RunEnding::Running && !view.points.empty()) {
        view.current = view.points.size() - 1;
    }
    return view;
}

double HorizonHeightAt(const HorizonHeights& h, double az) {
    const double cardinal[5] = {h.north, h.east, h.south, h.west, h.north};
    double a = std::fmod(az, 360.0);
    if (a < 0.0 || !std::isfinite(a)) {
        a = std::isfinite(a) ? a + 360.0 : 0.0;
    }
    const int quarter = std::min(3, static_cast<int>(a / 90.0));
    const double t = (a - quarter * 90.0) / 90.0;
    return cardinal[quarter] + (cardinal[quarter + 1] - cardinal[quarter]) * t;
}

std::optional<double> AngleTextDegrees(const std::string& text) {
    // Degrees, minutes and seconds are the numbers in the text, whatever separates them.
    double parts[3] = {0.0, 0.0, 0.0};
    int found = 0;
    bool bNegative = false;
    std::size_t i = 0;
    while (i < text.size() && found < 3) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (std::isdigit(c) || (c == '.' && i + 1 < text.size() &&
                                std::isdigit(static_cast<unsigned char>(text[i + 1])))) {
            std::size_t end = i;
            while (end < text.size() &&
                   (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '.')) {
                ++end;
            }
            parts[found++] = LeadingNumber(text.substr(i, end - i));
            i = end;
            continue;
        }
        if (c == '-' && found == 0) {
            bNegative = true;
        }
        ++i;
    }
    if (found == 0) {
        return std::nullopt;
    }
    const double degrees = parts[0] + parts[1] / 60.0 + parts[2] / 3600.0;
    return bNegative ? -degrees : degrees;
}

SkyBackdrop BuildSkyBackdrop(const RunSettings& settings, const PointList& points) {
    SkyBackdrop backdrop;
    backdrop.bMapPoints = !settings.bZigZag();
    if (!backdrop.bMapPoints) {
        return backdrop;
    }
    backdrop.heights = {LeadingNumber(settings.tNorth()), LeadingNumber(settings.tEast()),
                        LeadingNumber(settings.tSouth()), LeadingNumber(settings.tWest())};
    for (const MappingPoint& p : points.points()) {
        const std::optional<double> alt = AngleTextDegrees(p.alt);
        const std::optional<double> az = AngleTextDegrees(p.az);
        if (alt && az) {
            backdrop.listPoints.push_back({*alt, *az});
        }
    }
    return backdrop;
}

TermScale TermChartScale(const std::vector<TermReading>& history) {
    double low = 0.0;
    double high = 0.0;
    for (const TermReading& r : history) {
        low = std::min({low, r.terms.a, r.terms.e});
        high = std::max({high, r.terms.a, r.terms.e});
    }
    const double margin = std::max(0.5, (high - low) * 0.1);
    TermScale scale;
    scale.span = (high - low) + 2 * margin;
    const double power = std::pow(10.0, std::floor(std::log10(scale.span / 5.0)));
    double step = power;
    for (double factor : {2.0, 5.0, 10.0}) {
        if (scale.span / step <= 8.0) {
            break;
        }
        step = power * factor;
    }
    scale.step = std::max(step, 0.5);
    scale.bottom = std::floor((low - margin) / scale.step) * scale.step;
    scale.top = std::ceil((high + margin) / scale.step) * scale.step;
    return scale;
}

}  // namespace kov

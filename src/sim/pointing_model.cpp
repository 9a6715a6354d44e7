#include "sim/pointing_model.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace kov::sim {

namespace {

constexpr double kArcsecPerHourOfAngle = 15.0 * kArcsecPerDegree;

// Terms by importance: the index errors first, the polar axis next. When terms cannot be told
// apart, the last of them in this order is the one left out.
constexpr Term kFitOrder[kTermCount] = {Term::IH, Term::ID, Term::MA, Term::ME, Term::NP, Term::CH};

// Partial derivatives of (dH cos d, dDec) with respect to each term at a sky direction: the rows
// of the design matrix, weighted so that both axes count in arc seconds on the sky.
std::array<double, 2> Partials(Term t, const HaDec& sky, PierSide side) {
    const double h = sky.ha * 15.0 * kDegToRad;
    const double d = sky.dec * kDegToRad;
    const double cd = std::cos(d);
    const double sd = std::sin(d);
    const double s = SideSign(side);
    switch (t) {
        case Term::IH:
            return {-cd, 0.0};
        case Term::ID:
            return {0.0, -s};
        case Term::CH:
            return {-s, 0.0};
        case Term::NP:
            return {-s * sd, 0.0};
        case Term::MA:
            return {-std::cos(h) * sd, std::sin(h)};
        case Term::ME:
            return {std::sin(h) * sd, std::cos(h)};
    }
    return {0.0, 0.0};
}

}  // namespace

const char* TermName(Term t) {
    static constexpr const char* kNames[kTermCount] = {"IH", "ID", "CH", "NP", "MA", "ME"};
    return kNames[static_cast<std::size_t>(t)];
}

namespace {

constexpr double PointingTerms::*kTermMembers[kTermCount] = {
    &PointingTerms::IH, &PointingTerms::ID, &PointingTerms::CH,
    &PointingTerms::NP, &PointingTerms::MA, &PointingTerms::ME};

}  // namespace

double& TermValue(PointingTerms& terms, Term t) {
    return terms.*kTermMembers[static_cast<std::size_t>(t)];
}

double TermValue(const PointingTerms& terms, Term t) {
    return terms.*kTermMembers[static_cast<std::size_t>(t)];
}

Offsets TermOffsets(const PointingTerms& m, const HaDec& sky, PierSide side) {
    const double h = sky.ha * 15.0 * kDegToRad;
    // The linear terms have no meaning at the pole itself; a hair short of it keeps them finite.
    const double d = std::clamp(sky.dec, -89.999, 89.999) * kDegToRad;
    const double secD = 1.0 / std::cos(d);
    const double tanD = std::tan(d);
    const double s = SideSign(side);
    Offsets o;
    o.dH = -m.IH - s * m.CH * secD - s * m.NP * tanD - m.MA * std::cos(h) * tanD +
           m.ME * std::sin(h) * tanD;
    o.dDec = -s * m.ID + m.MA * std::sin(h) + m.ME * std::cos(h);
    return o;
}

HaDec SkyToAxes(const PointingTerms& terms, const HaDec& sky, PierSide side) {
    const Offsets o = TermOffsets(terms, sky, side);
    return {sky.ha + o.dH / kArcsecPerHourOfAngle, sky.dec + o.dDec / kArcsecPerDegree};
}

HaDec AxesToSky(const PointingTerms& terms, const HaDec& axes, PierSide side) {
    // The offsets change by a tiny fraction of themselves over their own size, so a few rounds of
    // substitution converge far below a milli-arc-second.
    HaDec sky = axes;
    for (int round = 0; round < 8; ++round) {
        const Offsets o = TermOffsets(terms, sky, side);
        sky = {axes.ha - o.dH / kArcsecPerHourOfAngle, axes.dec - o.dDec / kArcsecPerDegree};
    }
    return FoldPole(sky);
}

namespace {

using Column = std::vector<double>;

double Dot(const Column& a, const Column& b) {
    double sum = 0.0;
    for (std::size_t k = 0; k < a.size(); ++k) {
        sum += a[k] * b[k];
    }
    return sum;
}

// Inverts a small symmetric positive matrix by Gauss-Jordan elimination; false when singular.
bool Invert(std::vector<std::vector<double>>& m) {
    const std::size_t n = m.size();
    std::vector<std::vector<double>> inv(n, std::vector<double>(n, 0.0));
    for (std::size_t i = 0; i < n; ++i) {
        inv[i][i] = 1.0;
    }
    for (std::size_t c = 0; c < n; ++c) {
        std::size_t pivot = c;
        for (std::size_t r = c + 1; r < n; ++r) {
            if (std::fabs(m[r][c]) > std::fabs(m[pivot][c])) {
                pivot = r;
            }
        }
        if (std::fabs(m[pivot][c]) < 1e-12) {
            return false;
        }
        std::swap(m[c], m[pivot]);
        std::swap(inv[c], inv[pivot]);
        const double p = m[c][c];
        for (std::size_t k = 0; k < n; ++k) {
            m[c][k] /= p;
            inv[c][k] /= p;
        }
        for (std::size_t r = 0; r < n; ++r) {
            if (r == c || m[r][c] == 0.0) {
                continue;
            }
            const double f = m[r][c];
            for (std::size_t k = 0; k < n; ++k) {
                m[r][k] -= f * m[c][k];
                inv[r][k] -= f * inv[c][k];
            }
        }
    }
    m = std::move(inv);
    return true;
}

}  // namespace

ModelFit FitPointingModel(const std::vector<AlignmentPoint>& points) {
    ModelFit fit;
    fit.points = points.size();
    fit.uncertainty.fill(std::numeric_limits<double>::infinity());
    if (points.empty()) {
        return fit;
    }
    const std::size_t rows = points.size() * 2;

    // Observed offsets and the design matrix, both weighted so that the two axes count in arc
    // seconds on the sky.
    Column observed(rows);
    std::array<Column, kTermCount> columns;
    for (auto& c : columns) {
        c.assign(rows, 0.0);
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        const AlignmentPoint& p = points[i];
        const double cd = std::cos(p.sky.dec * kDegToRad);
        observed[2 * i] = WrapSignedHours(p.axes.ha - p.sky.ha) * kArcsecPerHourOfAngle * cd;
        observed[2 * i + 1] = (p.axes.dec - p.sky.dec) * kArcsecPerDegree;
        for (std::size_t t = 0; t < kTermCount; ++t) {
            const auto partial = Partials(static_cast<Term>(t), p.sky, p.side);
            columns[t][2 * i] = partial[0];
            columns[t][2 * i + 1] = partial[1];
        }
    }

    // With the columns scaled to unit length, the diagonal of the inverse normal matrix is the
    // square of each term's noise amplification. Terms join in order of importance; one joins
    // only when the matrix stays regular and no term, old or new, then amplifies too much, so a
    // less important term never pushes out a more important one.
    std::vector<Term> kept;
    std::vector<std::vector<double>> inverse;
    std::vector<double> lengths;
    const auto trial = [&](const std::vector<Term>& terms, std::vector<std::vector<double>>& inv,
                           std::vector<double>& len) {
        const std::size_t n = terms.size();
        if (n > rows) {
            return false;
        }
        len.assign(n, 0.0);
        for (std::size_t j = 0; j < n; ++j) {
            const Column& c = columns[static_cast<std::size_t>(terms[j])];
            len[j] = std::sqrt(Dot(c, c));
            if (len[j] < 1e-9) {
                return false;  // a term this layout does not move at all
            }
        }
        inv.assign(n, std::vector<double>(n, 0.0));
        for (std::size_t j = 0; j < n; ++j) {
            for (std::size_t k = 0; k < n; ++k) {
                inv[j][k] = Dot(columns[static_cast<std::size_t>(terms[j])],
                                columns[static_cast<std::size_t>(terms[k])]) /
                            (len[j] * len[k]);
            }
        }
        if (!Invert(inv)) {
            return false;
        }
        for (std::size_t j = 0; j < n; ++j) {
            if (!(inv[j][j] > 0.0) || std::sqrt(inv[j][j]) > kMaxNoiseAmplification) {
                return false;
            }
        }
        return true;
    };
    for (Term term : kFitOrder) {
        std::vector<Term> candidate = kept;
        candidate.push_back(term);
        std::vector<std::vector<double>> inv;
        std::vector<double> len;
        if (trial(candidate, inv, len)) {
            kept = std::move(candidate);
            inverse = std::move(inv);
            lengths = std::move(len);
        }
    }

    // x = (AᵀA)⁻¹ Aᵀ b, in the scaled columns and back.
    const std::size_t n = kept.size();
    std::vector<double> atb(n);
    for (std::size_t j = 0; j < n; ++j) {
        atb[j] = Dot(columns[static_cast<std::size_t>(kept[j])], observed) / lengths[j];
    }
    for (std::size_t j = 0; j < n; ++j) {
        double x = 0.0;
        for (std::size_t k = 0; k < n; ++k) {
            x += inverse[j][k] * atb[k];
        }
        const std::size_t t = static_cast<std::size_t>(kept[j]);
        TermValue(fit.terms, kept[j]) = x / lengths[j];
        fit.determined[t] = true;
        fit.amplification[t] = std::sqrt(inverse[j][j]);
    }

    double sumSquares = 0.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const HaDec predicted = SkyToAxes(fit.terms, points[i].sky, points[i].side);
        const double cd = std::cos(points[i].sky.dec * kDegToRad);
        const double eh =
            WrapSignedHours(points[i].axes.ha - predicted.ha) * kArcsecPerHourOfAngle * cd;
        const double ed = (points[i].axes.dec - predicted.dec) * kArcsecPerDegree;
        sumSquares += eh * eh + ed * ed;
    }
    fit.rmsArcsec = std::sqrt(sumSquares / static_cast<double>(points.size()));
    if (rows > n) {
        const double sigma = std::sqrt(sumSquares / static_cast<double>(rows - n));
        for (std::size_t j = 0; j < n; ++j) {
            fit.uncertainty[static_cast<std::size_t>(kept[j])] =
                sigma * std::sqrt(inverse[j][j]) / lengths[j];
        }
    }
    return fit;
}

}  // namespace kov::sim

#include "sim/pointing_model.h"

#include <cmath>

namespace kov::sim {

namespace {

constexpr double kArcsecPerHourOfAngle = 15.0 * kArcsecPerDegree;

// A column that keeps less than this share of its length once the columns already chosen are
// projected out carries no information of its own in this layout.
constexpr double kIndependenceThreshold = 0.02;

// Terms are tried in this order: the index errors are always determinable, the polar axis next.
constexpr Term kFitOrder[kTermCount] = {Term::IH, Term::ID, Term::MA, Term::ME, Term::NP, Term::CH};

// Partial derivatives of (dH cos d, dDec) with respect to each term at a sky direction: the rows
// of the design matrix, weighted so that both axes count in arc seconds on the sky.
std::array<double, 2> Partials(Term t, const HaDec& sky) {
    const double h = sky.ha * 15.0 * kDegToRad;
    const double d = sky.dec * kDegToRad;
    const double cd = std::cos(d);
    const double sd = std::sin(d);
    switch (t) {
        case Term::IH:
            return {-cd, 0.0};
        case Term::ID:
            return {0.0, -1.0};
        case Term::CH:
            return {-1.0, 0.0};
        case Term::NP:
            return {-sd, 0.0};
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

Offsets TermOffsets(const PointingTerms& m, const HaDec& sky) {
    const double h = sky.ha * 15.0 * kDegToRad;
    const double d = sky.dec * kDegToRad;
    const double secD = 1.0 / std::cos(d);
    const double tanD = std::tan(d);
    Offsets o;
    o.dH =
        -m.IH - m.CH * secD - m.NP * tanD - m.MA * std::cos(h) * tanD + m.ME * std::sin(h) * tanD;
    o.dDec = -m.ID + m.MA * std::sin(h) + m.ME * std::cos(h);
    return o;
}

HaDec SkyToAxes(const PointingTerms& terms, const HaDec& sky) {
    const Offsets o = TermOffsets(terms, sky);
    return {sky.ha + o.dH / kArcsecPerHourOfAngle, sky.dec + o.dDec / kArcsecPerDegree};
}

HaDec AxesToSky(const PointingTerms& terms, const HaDec& axes) {
    // The offsets change by a tiny fraction of themselves over their own size, so a few rounds of
    // substitution converge far below a milli-arc-second.
    HaDec sky = axes;
    for (int round = 0; round < 8; ++round) {
        const Offsets o = TermOffsets(terms, sky);
        sky = {axes.ha - o.dH / kArcsecPerHourOfAngle, axes.dec - o.dDec / kArcsecPerDegree};
    }
    return sky;
}

ModelFit FitPointingModel(const std::vector<AlignmentPoint>& points) {
    ModelFit fit;
    fit.points = points.size();
    if (points.empty()) {
        return fit;
    }
    const std::size_t rows = points.size() * 2;

    // Observed offsets, weighted like the partials.
    std::vector<double> observed(rows);
    std::array<std::vector<double>, kTermCount> columns;
    for (auto& c : columns) {
        c.assign(rows, 0.0);
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        const AlignmentPoint& p = points[i];
        const double cd = std::cos(p.sky.dec * kDegToRad);
        observed[2 * i] = WrapSignedHours(p.axes.ha - p.sky.ha) * kArcsecPerHourOfAngle * cd;
        observed[2 * i + 1] = (p.axes.dec - p.sky.dec) * kArcsecPerDegree;
        for (std::size_t t = 0; t < kTermCount; ++t) {
            const auto partial = Partials(static_cast<Term>(t), p.sky);
            columns[t][2 * i] = partial[0];
            columns[t][2 * i + 1] = partial[1];
        }
    }

    // Modified Gram-Schmidt over the terms in order, keeping only columns that add a direction of
    // their own; R holds the triangular factor of the kept columns.
    std::vector<Term> kept;
    std::vector<std::vector<double>> q;  // orthonormal basis of the kept columns
    std::vector<std::vector<double>> r;  // r[k][j]: projection of kept column k onto q[j]
    for (Term term : kFitOrder) {
        std::vector<double> v = columns[static_cast<std::size_t>(term)];
        double originalNorm = 0.0;
        for (double x : v) {
            originalNorm += x * x;
        }
        originalNorm = std::sqrt(originalNorm);
        if (originalNorm == 0.0) {
            continue;
        }
        std::vector<double> coefficients;
        for (const auto& basis : q) {
            double dot = 0.0;
            for (std::size_t k = 0; k < rows; ++k) {
                dot += basis[k] * v[k];
            }
            for (std::size_t k = 0; k < rows; ++k) {
                v[k] -= dot * basis[k];
            }
            coefficients.push_back(dot);
        }
        double norm = 0.0;
        for (double x : v) {
            norm += x * x;
        }
        norm = std::sqrt(norm);
        if (norm < kIndependenceThreshold * originalNorm) {
            continue;
        }
        for (double& x : v) {
            x /= norm;
        }
        coefficients.push_back(norm);
        q.push_back(std::move(v));
        r.push_back(std::move(coefficients));
        kept.push_back(term);
    }

    // Solve R x = Q^T b by back substitution.
    const std::size_t n = kept.size();
    std::vector<double> qtb(n, 0.0);
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t k = 0; k < rows; ++k) {
            qtb[j] += q[j][k] * observed[k];
        }
    }
    std::vector<double> x(n, 0.0);
    for (std::size_t jj = n; jj-- > 0;) {
        double s = qtb[jj];
        for (std::size_t k = jj + 1; k < n; ++k) {
            s -= r[k][jj] * x[k];
        }
        x[jj] = s / r[jj][jj];
    }
    for (std::size_t j = 0; j < n; ++j) {
        TermValue(fit.terms, kept[j]) = x[j];
        fit.determined[static_cast<std::size_t>(kept[j])] = true;
    }

    double sumSquares = 0.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const HaDec predicted = SkyToAxes(fit.terms, points[i].sky);
        const double cd = std::cos(points[i].sky.dec * kDegToRad);
        const double eh =
            WrapSignedHours(points[i].axes.ha - predicted.ha) * kArcsecPerHourOfAngle * cd;
        const double ed = (points[i].axes.dec - predicted.dec) * kArcsecPerDegree;
        sumSquares += eh * eh + ed * ed;
    }
    fit.rmsArcsec = std::sqrt(sumSquares / static_cast<double>(points.size()));
    return fit;
}

}  // namespace kov::sim

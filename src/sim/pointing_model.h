#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "sim/sky_math.h"

namespace kov::sim {

// The six standard pointing terms, in arc seconds, with TPoint's meanings: MA and ME the polar
// axis misalignment in azimuth and elevation, IH and ID the index errors, CH the collimation
// error and NP the non-perpendicularity of the axes.
struct PointingTerms {
    double IH = 0.0;
    double ID = 0.0;
    double CH = 0.0;
    double NP = 0.0;
    double MA = 0.0;
    double ME = 0.0;
};

enum class Term : std::size_t { IH, ID, CH, NP, MA, ME };
inline constexpr std::size_t kTermCount = 6;
const char* TermName(Term t);
double& TermValue(PointingTerms& terms, Term t);
double TermValue(const PointingTerms& terms, Term t);

// The offsets (arc seconds of angle) the terms add to a sky direction to give the direction the
// axes are set to: dH = -IH - CH sec d - NP tan d - MA cos h tan d + ME sin h tan d,
// dDec = -ID + MA sin h + ME cos h.
struct Offsets {
    double dH = 0.0;
    double dDec = 0.0;
};
Offsets TermOffsets(const PointingTerms& terms, const HaDec& sky);

// Axis position that puts the optics on a sky direction, and the sky direction the optics see
// from an axis position (the inverse, found by iteration).
HaDec SkyToAxes(const PointingTerms& terms, const HaDec& sky);
HaDec AxesToSky(const PointingTerms& terms, const HaDec& axes);

// One alignment point: where the axes stood and where the optics were found to point.
struct AlignmentPoint {
    HaDec axes;
    HaDec sky;
};

// A least-squares fit of the terms over alignment points. Terms the points cannot tell apart from
// the others (too few points, or a layout without spread in hour angle or declination) are not
// fitted: they are reported as undetermined and held at 0 rather than given invented values.
struct ModelFit {
    PointingTerms terms;
    std::array<bool, kTermCount> determined{};
    double rmsArcsec = 0.0;  // on-sky residual of the points after the fit
    std::size_t points = 0;

    bool isDetermined(Term t) const { return determined[static_cast<std::size_t>(t)]; }
};
ModelFit FitPointingModel(const std::vector<AlignmentPoint>& points);

}  // namespace kov::sim

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
// Signs (north of the equator; checked against an exact rotation of the pole in the tests):
// ME is positive when the mount's polar axis points above the true pole, MA is positive when it
// points west of the true pole. ID, CH and NP are given for a tube east of the pier; on the
// other side of the pier they act with the opposite sign.
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
// The side of the pier the tube is on. East: looking west, the usual side for the western sky,
// where the terms act as written. West: after a meridian flip, where ID, CH and NP change sign.
enum class PierSide { East, West };
inline double SideSign(PierSide side) {
    return side == PierSide::East ? 1.0 : -1.0;
}

struct Offsets {
    double dH = 0.0;
    double dDec = 0.0;
};
Offsets TermOffsets(const PointingTerms& terms, const HaDec& sky, PierSide side = PierSide::East);

// Axis position that puts the optics on a sky direction, and the sky direction the optics see
// from an axis position (the inverse, found by iteration). The axis declination is not folded:
// past 90 degrees it says the tube has gone over the pole. The sky direction is folded back.
HaDec SkyToAxes(const PointingTerms& terms, const HaDec& sky, PierSide side = PierSide::East);
HaDec AxesToSky(const PointingTerms& terms, const HaDec& axes, PierSide side = PierSide::East);

// One alignment point: where the axes stood, on which side of the pier, and where the optics
// were found to point.
struct AlignmentPoint {
    HaDec axes;
    HaDec sky;
    PierSide side = PierSide::East;
};

// A least-squares fit of the terms over alignment points. A term the points cannot tell apart from
// the others (too few points, or a layout without spread in hour angle, declination or pier side)
// is not fitted: it is reported as undetermined and held at 0 rather than given an invented value.
// "Cannot tell apart" means its noise amplification, the factor by which the correlation with
// the other fitted terms inflates its error over what the same column alone would have, is above
// kMaxNoiseAmplification. Terms join in order of importance (IH, ID, MA, ME, NP, CH), each only
// while every fitted term stays within that limit.
inline constexpr double kMaxNoiseAmplification = 3.0;

struct ModelFit {
    PointingTerms terms;
    std::array<bool, kTermCount> determined{};
    // One sigma of each fitted term, arc seconds, from the scatter of the residuals; infinite
    // for an undetermined term and while the points leave no residual to judge by.
    std::array<double, kTermCount> uncertainty{};
    std::array<double, kTermCount> amplification{};  // of each fitted term; 0 when not fitted
    double rmsArcsec = 0.0;                          // on-sky residual of the points after the fit
    std::size_t points = 0;

    bool isDetermined(Term t) const { return determined[static_cast<std::size_t>(t)]; }
    double uncertaintyOf(Term t) const { return uncertainty[static_cast<std::size_t>(t)]; }
};
ModelFit FitPointingModel(const std::vector<AlignmentPoint>& points);

}  // namespace kov::sim

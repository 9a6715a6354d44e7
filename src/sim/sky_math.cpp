#include "sim/sky_math.h"

#include <algorithm>
#include <cmath>

namespace kov::sim {

double LocalSiderealHours(double epochSeconds, double longitude) {
    const double daysSinceJ2000 = epochSeconds / 86400.0 + 2440587.5 - 2451545.0;
    const double gmst = 18.697374558 + 24.06570982441908 * daysSinceJ2000;
    return WrapHours(gmst + longitude / 15.0);
}

double WrapHours(double hours) {
    double h = std::fmod(hours, 24.0);
    if (h < 0.0) {
        h += 24.0;
    }
    return h >= 24.0 ? 0.0 : h;
}

double WrapSignedHours(double hours) {
    double h = WrapHours(hours);
    return h >= 12.0 ? h - 24.0 : h;
}

double WrapSignedDegrees(double deg) {
    double d = std::fmod(deg, 360.0);
    if (d < 0.0) {
        d += 360.0;
    }
    return d >= 180.0 ? d - 360.0 : d;
}

AltAz ToAltAz(const HaDec& p, double latitude) {
    const double h = p.ha * 15.0 * kDegToRad;
    const double d = p.dec * kDegToRad;
    const double f = latitude * kDegToRad;
    const double sinAlt = std::sin(d) * std::sin(f) + std::cos(d) * std::cos(f) * std::cos(h);
    const double alt = std::asin(std::clamp(sinAlt, -1.0, 1.0));
    // Azimuth from north through east.
    const double y = -std::cos(d) * std::sin(h);
    const double x = std::sin(d) * std::cos(f) - std::cos(d) * std::sin(f) * std::cos(h);
    double az = std::atan2(y, x) / kDegToRad;
    if (az < 0.0) {
        az += 360.0;
    }
    return {az, alt / kDegToRad};
}

HaDec FromAltAz(const AltAz& p, double latitude) {
    const double a = p.az * kDegToRad;
    const double e = p.alt * kDegToRad;
    const double f = latitude * kDegToRad;
    const double sinDec = std::sin(e) * std::sin(f) + std::cos(e) * std::cos(f) * std::cos(a);
    const double dec = std::asin(std::clamp(sinDec, -1.0, 1.0));
    const double y = -std::cos(e) * std::sin(a);
    const double x = std::sin(e) * std::cos(f) - std::cos(e) * std::sin(f) * std::cos(a);
    const double ha = std::atan2(y, x) / kDegToRad / 15.0;
    return {WrapSignedHours(ha), dec / kDegToRad};
}

namespace {

double Separation(double lon1, double lat1, double lon2, double lat2) {
    // Haversine: well conditioned for the arc-second distances the tests compare.
    const double dLat = lat2 - lat1;
    const double dLon = lon2 - lon1;
    const double s = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(lat1) * std::cos(lat2) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2.0 * std::asin(std::min(1.0, std::sqrt(s))) / kDegToRad;
}

}  // namespace

double SeparationDegrees(const HaDec& a, const HaDec& b) {
    return Separation(a.ha * 15.0 * kDegToRad, a.dec * kDegToRad, b.ha * 15.0 * kDegToRad,
                      b.dec * kDegToRad);
}

double SeparationDegrees(const AltAz& a, const AltAz& b) {
    return Separation(a.az * kDegToRad, a.alt * kDegToRad, b.az * kDegToRad, b.alt * kDegToRad);
}

}  // namespace kov::sim

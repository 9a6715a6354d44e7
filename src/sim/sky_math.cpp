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

HaDec FoldPole(const HaDec& p) {
    if (p.dec > 90.0) {
        return {WrapSignedHours(p.ha + 12.0), 180.0 - p.dec};
    }
    if (p.dec < -90.0) {
        return {WrapSignedHours(p.ha + 12.0), -180.0 - p.dec};
    }
    return p;
}

double BennettRefraction(double apparentAlt, double temperature, double pressure) {
    const double h = std::max(apparentAlt, -1.0);
    const double arcmin = 1.0 / std::tan((h + 7.31 / (h + 4.4)) * kDegToRad);
    return arcmin / 60.0 * (pressure / 1010.0) * (283.0 / (273.0 + temperature));
}

double ApparentAltitude(double trueAlt, double temperature, double pressure) {
    // The refraction changes by a small fraction of itself over its own size: a few rounds of
    // substitution settle far below a milli-arc-second.
    double apparent = trueAlt;
    for (int round = 0; round < 10; ++round) {
        apparent = trueAlt + BennettRefraction(apparent, temperature, pressure);
    }
    return std::min(apparent, 90.0);
}

double TrueAltitude(double apparentAlt, double temperature, double pressure) {
    return apparentAlt - BennettRefraction(apparentAlt, temperature, pressure);
}

HaDec Refracted(const HaDec& p, double latitude, double temperature, double pressure) {
    AltAz a = ToAltAz(p, latitude);
    a.alt = ApparentAltitude(a.alt, temperature, pressure);
    return FromAltAz(a, latitude);
}

HaDec Unrefracted(const HaDec& p, double latitude, double temperature, double pressure) {
    AltAz a = ToAltAz(p, latitude);
    a.alt = TrueAltitude(a.alt, temperature, pressure);
    return FromAltAz(a, latitude);
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

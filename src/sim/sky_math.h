#pragma once

namespace kov::sim {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kDegToRad = kPi / 180.0;
inline constexpr double kArcsecPerDegree = 3600.0;

// A direction in the equatorial frame of the site: hour angle in hours, declination in degrees.
struct HaDec {
    double ha = 0.0;
    double dec = 0.0;
};

// A direction on the local sky: azimuth from north through east, altitude, both in degrees.
struct AltAz {
    double az = 0.0;
    double alt = 0.0;
};

struct Site {
    double latitude = 0.0;   // degrees, north positive
    double longitude = 0.0;  // degrees, east positive
};

// Local apparent sidereal time in hours (0 to 24) at a Unix time, accurate to a second or so,
// which is all a simulated night needs.
double LocalSiderealHours(double epochSeconds, double longitude);

double WrapHours(double hours);        // into 0 (inclusive) to 24 (exclusive)
double WrapSignedHours(double hours);  // into -12 (inclusive) to 12 (exclusive)
double WrapSignedDegrees(double deg);  // into -180 (inclusive) to 180 (exclusive)

AltAz ToAltAz(const HaDec& p, double latitude);
HaDec FromAltAz(const AltAz& p, double latitude);

// A direction whose declination has gone past a pole, brought back: the declination reflected
// at the pole and the hour angle turned by 12 hours.
HaDec FoldPole(const HaDec& p);

// Atmospheric refraction, in degrees, at an apparent altitude, by Bennett's formula scaled for
// the air's temperature (degrees Celsius) and pressure (hectopascals). Below a degree under the
// horizon the value at that degree is kept, where the formula stops meaning anything.
double BennettRefraction(double apparentAlt, double temperature, double pressure);
// The apparent altitude of a direction at a true altitude (raised by the refraction), and back.
double ApparentAltitude(double trueAlt, double temperature, double pressure);
double TrueAltitude(double apparentAlt, double temperature, double pressure);

// The same for a direction in the equatorial frame of a site.
HaDec Refracted(const HaDec& p, double latitude, double temperature, double pressure);
HaDec Unrefracted(const HaDec& p, double latitude, double temperature, double pressure);

// Angle between two directions, in degrees.
double SeparationDegrees(const HaDec& a, const HaDec& b);
double SeparationDegrees(const AltAz& a, const AltAz& b);

}  // namespace kov::sim

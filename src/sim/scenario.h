#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/pointing_model.h"

namespace kov::sim {

// A patch of sky (right ascension in hours, declination and radius in degrees) where the plate
// solver finds no match, say a dark nebula or a field the catalogue does not cover.
struct SkyRegion {
    double ra = 0.0;
    double dec = 0.0;
    double radius = 1.0;
};

// A cloud on the local sky (azimuth, altitude and radius in degrees) where it stands when the
// night begins, drifting by degrees per hour in azimuth and altitude.
struct Cloud {
    double az = 0.0;
    double alt = 0.0;
    double radius = 10.0;
    double driftAz = 0.0;
    double driftAlt = 0.0;
};

// One night at the simulated observatory. Same scenario, same seed, same run.
struct Scenario {
    std::uint64_t seed = 20261206;

    Site site{47.5, 8.5};
    double horizon = 0.0;  // lowest altitude the mount may be driven to, degrees
    // Altitude of the local horizon (trees, roofs) by azimuth, degrees, joined by straight lines
    // round the circle; the mount goes below neither this nor `horizon`. Empty: flat.
    std::vector<AltAz> horizonProfile;
    double temperature = 10.0;  // of the air, degrees Celsius, for the refraction
    double pressure = 1010.0;   // hectopascals
    // The controller corrects its slews and positions for the refraction by the same air.
    bool controllerRefraction = true;

    // How far past the meridian (degrees of hour angle) the tube may follow the sky before a slew
    // has to swing it to the other side of the pier.
    double meridianLimit = 5.0;

    // Where the mount stands when the night begins, as its controller reads it: east of the
    // meridian, so that the default walk (westward) crosses it and the controller can tell its
    // terms apart.
    double startHourAngle = -1.5;  // hours, west positive
    double startDec = 20.0;        // degrees

    // The mount's true pointing errors, arc seconds: several arc minutes before any modeling.
    PointingTerms mountErrors{420.0, -180.0, 90.0, 45.0, -300.0, 240.0};

    double pointingNoise = 3.0;  // arc seconds (one sigma per axis) of repeatability per slew
    double solveNoise = 1.0;     // arc seconds (one sigma per axis) of each plate solution

    double slewRate = 4.0;         // degrees per second on the slower axis
    double settleSeconds = 2.0;    // after the axes stop
    double commandSeconds = 0.03;  // a Gemini command's round trip over the serial line

    double pixelScale = 1.0;        // arc seconds per unbinned pixel, as the settings default
    double cameraRotation = 12.5;   // north angle of the solved images, degrees
    double downloadSeconds = 3.0;   // of an unbinned frame
    double ccdTemperature = -10.0;  // degrees Celsius when the night begins
    double temperatureDrift = 0.6;  // degrees per hour
    int starsPerImage = 45;         // matched stars in a 2 second frame
    int sensorWidth = 6248;         // unbinned pixels, for frames rendered from the real sky
    int sensorHeight = 4176;

    // "statistical": solutions are the true centre plus noise, fast, for tests that do not
    // exercise solving. "astrometry": the cameras' frames are rendered from the Tycho-2 stars
    // and solved by astrometry.net (the statistical solver stands in where it is not installed).
    std::string solver = "statistical";

    // Chance that a solution fails even with plenty of stars; fewer stars (short exposures, thick
    // air low down, clouds) add their own, much larger, chance.
    double solveFailureRate = 0.0;

    std::vector<int> failImages;  // light images (counted from 1) that do not solve
    // A device that hangs: the mount never reports a slew complete, the cameras never finish.
    bool slewNeverEnds = false;
    bool exposureNeverEnds = false;
    std::vector<SkyRegion> failRegions;
    std::vector<Cloud> clouds;

    std::vector<std::string> missingPrograms;  // identifiers that are not registered

    std::string planetariumWindowTitle = "TheSky6 Professional Edition";  // empty: no window
    // The window system refuses to bring another program's window to the front (as it does
    // when a full-screen program or a focus guard holds the desktop).
    bool foregroundDenied = false;
    // MaxIm DL finishes its exposures but hands out no document (its image window was closed).
    bool maximDocumentMissing = false;
    std::string chooserAnswer = "Gemini.Telescope";  // what the operator picks in the chooser
    std::string driverId = "Gemini.Telescope";       // registered in addition to the default
    std::string driverName = "Gemini";
};

Scenario DefaultScenario();

// The night the program runs when no scenario file is given: the default night, its frames
// rendered from the real sky and solved by astrometry.net where the build has the real sky
// (the statistical solver stands in, with one line saying so, where the solver or its index
// files are missing). KOV_SIM_SOLVER=statistical or =astrometry in the environment chooses the
// solver instead: scripts and tests that do not exercise solving keep the fast one.
Scenario BuiltInNight();

// Reads a scenario from JSON text. Every key is optional and falls back to the default night;
// an unknown key, a value of the wrong type or a value out of range throws std::runtime_error
// naming the key.
Scenario ParseScenario(const std::string& jsonText);

// Reads a scenario file; a file that cannot be read throws std::runtime_error naming it.
Scenario LoadScenario(const std::string& path);

}  // namespace kov::sim

#pragma once

#include <memory>
#include <string>

#include "sim/observatory.h"
#include "sim/sky_math.h"
#include "station/texts.h"
#include "support/raised.h"
#include "support/virtual_clock.h"

namespace kov::sim::test {

using kov::test::ErrorNumber;
using kov::test::Raised;

// Drives the simulated observatory through the typed interfaces the way the procedures do:
// polled slews and exposures on virtual time.
// The night these tests were made for: the mount starting half an hour west of the meridian,
// a camera of 1.85"/pixel.
inline Scenario SessionNight() {
    Scenario s = DefaultScenario();
    s.startHourAngle = 0.5;
    s.pixelScale = 1.85;
    return s;
}

struct SimSession {
    explicit SimSession(Scenario s = SessionNight()) : obs(std::move(s), clock) {
        sky->Connect();
        tele->Connect();
        camera->Connect();
    }

    double lst() const {
        return LocalSiderealHours(clock.epochSeconds(), obs.scenario().site.longitude);
    }

    // Slews to an hour angle and declination; returns the miss from that target, arc seconds.
    double slewToHaDec(double ha, double dec) {
        const double ra = WrapHours(lst() - ha);
        tele->SetAsynchronous(true);
        tele->SlewToRaDec(ra, dec, "KovSkyMapper");
        while (tele->IsSlewComplete() == 0) {
            clock.sleep(500);
        }
        tele->SetAsynchronous(false);
        const SkyPosition truth = obs.truePointing();
        return SeparationDegrees(HaDec{truth.ra, truth.dec}, HaDec{ra, dec}) * 3600.0;
    }

    // Takes and solves one image with CCDSoft; returns the image link's position.
    SkyPosition exposeAndSolve() {
        camera->SetExposureTime(2.0);
        camera->SetAsynchronous(true);
        camera->TakeImage();
        while (camera->State() != 0) {
            clock.sleep(400);
        }
        auto image = obs.factory().createCcdImage(progid::kCcdImage);
        image->AttachToActiveImager();
        image->SetScaleInArcsecondsPerPixel(obs.scenario().pixelScale);
        image->InsertWCS(0);
        sky->GetObjectRaDec("Image Link Information");
        return {sky->dObjectRa(), sky->dObjectDec()};
    }

    kov::test::VirtualClock clock;
    Observatory obs;
    std::shared_ptr<SkyPlanetarium> sky = obs.factory().createPlanetarium(progid::kTheSky6);
    std::shared_ptr<SkyTelescope> tele = obs.factory().createSkyTelescope(progid::kTele6);
    std::shared_ptr<CcdCamera> camera = obs.factory().createCcdCamera(progid::kCcdCamera);
};

}  // namespace kov::sim::test

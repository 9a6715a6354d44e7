// The image link's plate solver at a Linux observatory: astrometry.net on a frame of the real sky,
// hinted by where the mount says it points, as the planetarium role calls it.
#include "linux/astrometry_image_solver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "support/temp_folder.h"

#ifdef KOV_HAVE_SKY
#include "sky/fits_image.h"
#include "sky/star_catalogue.h"
#include "sky/star_field.h"
#endif

namespace kov::gemini {
namespace {

TEST(AstrometryImageSolver, SolvesAFrameOfTheRealSkyAndMatchesNothingInADarkOne) {
#ifndef KOV_HAVE_SKY
    GTEST_SKIP() << "built without CFITSIO and the star catalogue";
#else
    if (std::system("command -v solve-field > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "astrometry.net is not installed (tools/install-deps.sh installs it)";
    }
    const test::TempFolder dir;
    sky::Exposure e;  // Orion's belt, binned 2x2, turned 30 degrees
    e.ra = 83.8;
    e.dec = -1.0;
    e.northAngle = 30.0;
    e.seconds = 10.0;
    e.binX = e.binY = 2;
    for (const bool light : {true, false}) {
        SCOPED_TRACE(light ? "light" : "dark");
        e.light = light;
        const std::string frame = dir.path(light ? "light.fits" : "dark.fits");
        sky::WriteFitsImage(frame, sky::RenderField(sky::StarCatalogue::Shared(), {}, e), {});
        // The mount half a degree off; the operator's scale, binned.
        const auto got = MakeAstrometryImageSolver()->solve(frame, {5.6, -1.5, 2.0, 5.0});
        ASSERT_EQ(got.has_value(), light);
        if (light) {
            EXPECT_NEAR((got->ra * 15.0 - e.ra) * 3600.0, 0.0, 5.0);
            EXPECT_NEAR((got->dec - e.dec) * 3600.0, 0.0, 5.0);
            EXPECT_NEAR(got->arcsecPerPixel, 2.0, 0.01);
            EXPECT_NEAR(std::remainder(got->northAngle - e.northAngle, 360.0), 0.0, 0.5);
        }
    }
#endif
}

}  // namespace
}  // namespace kov::gemini

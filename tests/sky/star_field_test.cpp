#include <fitsio.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "sky/astrometry_solver.h"
#include "sky/fits_image.h"
#include "sky/star_field.h"
#include "sky/star_finder.h"
#include "sky_test_support.h"

namespace kov::sky {
namespace {

double Separation(double ra1, double dec1, double ra2, double dec2) {
    const double k = 3.14159265358979323846 / 180.0;
    const double c = std::sin(dec1 * k) * std::sin(dec2 * k) +
                     std::cos(dec1 * k) * std::cos(dec2 * k) * std::cos((ra1 - ra2) * k);
    return std::acos(std::clamp(c, -1.0, 1.0)) / k;
}

TEST(StarCatalogue, QueriesFindExactlyTheStarsInTheCircle) {
    KOV_REQUIRE_CATALOGUE(catalogue);
    const std::vector<CatalogueStar> all = catalogue->query(0.0, 0.0, 180.0);
    ASSERT_EQ(all.size(), catalogue->size());
    struct Row {
        double ra, dec, radius;
        double mag = 0.0;  // of the one star there, when the circle holds a known star
    };
    // Across the zero of right ascension, at both poles, wider than a band, and tiny; Alnilam,
    // Mintaka and Betelgeuse, as a check that positions and magnitudes pair up.
    const Row rows[] = {{0.2, 10.0, 1.0},
                        {359.9, -30.0, 1.5},
                        {120.0, 89.5, 1.0},
                        {300.0, -88.7, 2.0},
                        {45.0, 60.0, 7.0},
                        {200.0, 0.0, 0.01},
                        {84.0534, -1.2019, 5.0 / 3600, 1.7},
                        {83.0017, -0.2991, 5.0 / 3600, 2.4},
                        {88.7929, 7.4071, 5.0 / 3600, 0.8}};
    for (const Row& r : rows) {
        const std::vector<CatalogueStar> found = catalogue->query(r.ra, r.dec, r.radius);
        const auto inside = std::count_if(all.begin(), all.end(), [&](const CatalogueStar& s) {
            return Separation(s.ra, s.dec, r.ra, r.dec) <= r.radius;
        });
        EXPECT_EQ(static_cast<long>(found.size()), inside) << r.ra << " " << r.dec;
        if (r.mag != 0.0) {
            ASSERT_EQ(found.size(), 1u) << r.ra;
            EXPECT_NEAR(found[0].mag, r.mag, 0.2) << r.ra;
        }
        for (const CatalogueStar& s : found) {
            EXPECT_LE(Separation(s.ra, s.dec, r.ra, r.dec), r.radius + 1e-9);
        }
    }
}

Exposure Frame() {
    Exposure e;
    e.ra = 83.8;
    e.dec = -5.4;
    e.northAngle = 30.0;
    e.seconds = 10.0;
    e.binX = e.binY = 2;
    e.seed = 11;
    return e;
}

struct Census {
    int above = 0;       // pixels far above the background
    int saturated = 0;   // pixels at the top of the range
    double light = 0.0;  // counts above the background, summed
};

Census Count(const FieldImage& image, int threshold) {
    std::vector<std::uint16_t> sorted(image.pixels);
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const int median = sorted[sorted.size() / 2];
    Census c;
    for (std::uint16_t p : image.pixels) {
        c.above += p > median + threshold;
        c.saturated += p == 65535;
        c.light += p - median;
    }
    return c;
}

TEST(RenderField, FramesFollowTheirSettings) {
    KOV_REQUIRE_CATALOGUE(catalogue);
    CameraModel camera;
    const Exposure light = Frame();
    const FieldImage reference = RenderField(*catalogue, camera, light);
    ASSERT_EQ(reference.width, camera.width / 2);
    ASSERT_EQ(reference.height, camera.height / 2);
    const Census base = Count(reference, 500);
    ASSERT_GT(reference.starsDrawn, 20);
    ASSERT_GT(base.saturated, 0);  // the bright stars round the Orion Nebula

    EXPECT_EQ(RenderField(*catalogue, camera, light).pixels, reference.pixels) << "repeatable";
    Exposure other = light;
    other.seed = 12;
    EXPECT_NE(RenderField(*catalogue, camera, other).pixels, reference.pixels);

    // Hot pixels: the same count in a dark frame (which has no stars) and the raw light frame,
    // none once the dark is subtracted.
    const long hot = std::lround(camera.hotPixelFraction * camera.width * camera.height);
    Exposure dark = light;
    dark.light = false;
    const FieldImage darkFrame = RenderField(*catalogue, camera, dark);
    EXPECT_EQ(darkFrame.starsDrawn, 0);
    const Census darkCensus = Count(darkFrame, 150);
    EXPECT_GT(darkCensus.above, hot * 8 / 10);
    EXPECT_LE(darkCensus.above, hot);
    Exposure reduced = light;
    reduced.darkSubtracted = true;
    const Census reducedCensus = Count(RenderField(*catalogue, camera, reduced), 500);
    EXPECT_LT(reducedCensus.above, base.above - hot * 8 / 10);

    // A cloud dims the stars; a longer exposure brightens them.
    Exposure cloud = reduced;
    cloud.transmission = 0.05;
    EXPECT_LT(Count(RenderField(*catalogue, camera, cloud), 500).light, reducedCensus.light / 4);
    Exposure longer = reduced;
    longer.seconds = 40.0;
    EXPECT_GT(Count(RenderField(*catalogue, camera, longer), 500).saturated,
              reducedCensus.saturated);
}

// Where a star lands and the flux-weighted centre of its light agree, for every orientation
// and binning, so the solver's answer can be compared with the truth.
TEST(RenderField, StarsLandWhereTheProjectionPutsThem) {
    KOV_REQUIRE_CATALOGUE(catalogue);
    CameraModel camera;
    camera.readNoise = 0.0;
    camera.hotPixelFraction = 0.0;
    struct Row {
        double northAngle;
        bool mirrored;
        int bin;
    };
    const Row rows[] = {{0.0, false, 1}, {30.0, false, 2}, {210.0, false, 2}, {75.0, true, 3}};
    for (const Row& r : rows) {
        Exposure e = Frame();
        e.ra = 83.3;
        e.dec = -0.6;
        e.northAngle = r.northAngle;
        e.mirrored = r.mirrored;
        e.binX = e.binY = r.bin;
        e.skyBackground = 0.0;
        e.seconds = 0.05;  // no star saturates
        const FieldImage image = RenderField(*catalogue, camera, e);
        // Mintaka, isolated enough for a centroid.
        const std::vector<CatalogueStar> star = catalogue->query(83.0017, -0.2991, 2.0 / 3600);
        ASSERT_EQ(star.size(), 1u);
        const PixelPosition at = ProjectToPixel(camera, e, star[0].ra, star[0].dec);
        ASSERT_TRUE(at.inFront);
        ASSERT_TRUE(at.x > 10 && at.x < image.width - 10 && at.y > 10 && at.y < image.height - 10);
        double sum = 0.0, sx = 0.0, sy = 0.0;
        for (int y = static_cast<int>(at.y) - 8; y <= static_cast<int>(at.y) + 8; ++y) {
            for (int x = static_cast<int>(at.x) - 8; x <= static_cast<int>(at.x) + 8; ++x) {
                const double v = image.at(x - 1, y - 1) - camera.bias;
                sum += v;
                sx += v * x;
                sy += v * y;
            }
        }
        EXPECT_NEAR(sx / sum, at.x, 0.02) << r.northAngle;
        EXPECT_NEAR(sy / sum, at.y, 0.02) << r.northAngle;
    }
}

TEST(WriteFitsImage, WritesTheCameraHeaderAndPixels) {
    test::TempFolder folder;
    FieldImage image;
    image.width = 3;
    image.height = 2;
    image.pixels = {0, 1, 32767, 32768, 40000, 65535};
    FrameHeader header;
    header.exposure = 12.5;
    header.binX = 2;
    header.binY = 3;
    header.temperature = -9.75;
    header.takenAt = 1796590987.25;  // 2026-12-06T21:03:07.25
    const auto path = folder.root() / "frame.fits";
    WriteFitsImage(path, image, header);
    WriteFitsImage(path, image, header);  // replaces

    fitsfile* f = nullptr;
    int status = 0;
    ASSERT_EQ(fits_open_file(&f, path.c_str(), READONLY, &status), 0);
    double exposure = 0, temperature = 0;
    int binX = 0, binY = 0, bitpix = 0;
    char date[FLEN_VALUE] = "";
    fits_read_key(f, TDOUBLE, "EXPTIME", &exposure, nullptr, &status);
    fits_read_key(f, TINT, "XBINNING", &binX, nullptr, &status);
    fits_read_key(f, TINT, "YBINNING", &binY, nullptr, &status);
    fits_read_key(f, TDOUBLE, "CCD-TEMP", &temperature, nullptr, &status);
    fits_read_key(f, TSTRING, "DATE-OBS", date, nullptr, &status);
    fits_get_img_equivtype(f, &bitpix, &status);
    std::vector<std::uint16_t> pixels(6);
    int anyNull = 0;
    fits_read_img(f, TUSHORT, 1, 6, nullptr, pixels.data(), &anyNull, &status);
    int missing = 0;
    double crval = 0;
    fits_read_key(f, TDOUBLE, "CRVAL1", &crval, nullptr, &missing);
    fits_close_file(f, &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(exposure, 12.5);
    EXPECT_EQ(binX, 2);
    EXPECT_EQ(binY, 3);
    EXPECT_EQ(temperature, -9.75);
    EXPECT_STREQ(date, "2026-12-06T21:03:07.250");
    EXPECT_EQ(bitpix, USHORT_IMG);
    EXPECT_EQ(pixels, image.pixels);
    EXPECT_EQ(missing, KEY_NO_EXIST) << "no plate solution in a camera's frame";

    EXPECT_THROW(WriteFitsImage(folder.root() / "no" / "such.fits", image, header),
                 std::runtime_error);

    // A solved frame carries its solution as the solver's own WCS would.
    header.solution = FrameSolution{350.5, -12.25, 2.5, 192.5};
    WriteFitsImage(path, image, header);
    const SolveResult back = ReadWcsSolution(path);
    ASSERT_TRUE(back.solved()) << back.text;
    EXPECT_NEAR(back.ra, 350.5, 1e-9);
    EXPECT_NEAR(back.dec, -12.25, 1e-9);
    EXPECT_NEAR(back.scale, 2.5, 1e-9);
    EXPECT_NEAR(back.northAngle, 192.5, 1e-9);
    EXPECT_EQ(back.parity, Parity::Normal);
}

}  // namespace
}  // namespace kov::sky

namespace kov::sky {
namespace {

// Stars of known place and light on a noisy background, a hot pixel and a saturated star: the
// finder returns the stars, brightest first, centred to a few hundredths of a pixel.
TEST(FindStars, ListsTheStarsNotTheHotPixels) {
    test::TempFolder folder;
    struct Star {
        double x, y, flux;  // FITS pixel coordinates
    };
    const Star stars[] = {
        {20.3, 30.7, 4e6}, {70.55, 20.2, 60000}, {45.0, 60.45, 20000}, {90.8, 70.1, 8000}};
    FieldImage frame;
    frame.width = 120;
    frame.height = 90;
    std::vector<double> light(static_cast<std::size_t>(frame.width * frame.height), 1000.0);
    const double sigma = 1.2;
    for (const Star& s : stars) {
        for (int y = 0; y < frame.height; ++y) {
            for (int x = 0; x < frame.width; ++x) {
                const auto share = [&](int i, double c) {
                    const double k = 1.0 / (sigma * std::sqrt(2.0));
                    return 0.5 * (std::erf((i + 1.5 - c) * k) - std::erf((i + 0.5 - c) * k));
                };
                light[static_cast<std::size_t>(y * frame.width + x)] +=
                    s.flux * share(x, s.x) * share(y, s.y);
            }
        }
    }
    std::uint32_t random = 12345;
    for (double& v : light) {
        // Nearly normal noise of 5.8 counts: the sum of four uniform draws.
        for (int k = 0; k < 4; ++k) {
            random = random * 1664525u + 1013904223u;
            v += static_cast<double>(random >> 8) / 16777216.0 * 10.0 - 5.0;
        }
    }
    light[static_cast<std::size_t>(50 * frame.width + 100)] = 30000.0;  // a hot pixel
    for (double v : light) {
        frame.pixels.push_back(static_cast<std::uint16_t>(std::min(65535.0, v)));
    }
    const auto path = folder.root() / "frame.fits";
    WriteFitsImage(path, frame, FrameHeader{});

    const StarList found = FindStars(path, 50);
    ASSERT_TRUE(found.error.empty()) << found.error;
    EXPECT_EQ(found.width, 120);
    EXPECT_EQ(found.height, 90);
    EXPECT_NEAR(found.noise, 10.0 / std::sqrt(3.0), 0.6);
    ASSERT_EQ(found.sources.size(), std::size(stars));
    for (std::size_t i = 0; i < std::size(stars); ++i) {
        // The saturated one is centred by its flat top, less closely.
        const double tolerance = i == 0 ? 0.1 : 0.03;
        EXPECT_NEAR(found.sources[i].x, stars[i].x, tolerance) << i;
        EXPECT_NEAR(found.sources[i].y, stars[i].y, tolerance) << i;
    }
    EXPECT_FALSE(FindStars(folder.root() / "none.fits", 50).error.empty());
}

}  // namespace
}  // namespace kov::sky

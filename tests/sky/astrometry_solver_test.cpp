#include <fitsio.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cmath>
#include <fstream>

#include "linux/child_process.h"
#include "sky/astrometry_solver.h"
#include "sky/fits_image.h"
#include "sky/star_field.h"
#include "sky_test_support.h"

namespace kov::sky {
namespace {

using std::chrono::milliseconds;

double SeparationArcsec(double ra1, double dec1, double ra2, double dec2) {
    const double k = 3.14159265358979323846 / 180.0;
    const double a = std::sin((dec2 - dec1) * k / 2);
    const double b = std::sin((ra2 - ra1) * k / 2);
    const double h = a * a + std::cos(dec1 * k) * std::cos(dec2 * k) * b * b;
    return 2.0 * std::asin(std::sqrt(h)) / k * 3600.0;
}

// A WCS header as solve-field writes one, for a CD matrix.
void WriteWcs(const std::filesystem::path& path, double ra, double dec, double crpix1,
              double crpix2, const double cd[4]) {
    fitsfile* f = nullptr;
    int status = 0;
    fits_create_file(&f, path.c_str(), &status);
    fits_create_img(f, BYTE_IMG, 0, nullptr, &status);
    double w = 3000, h = 2000;
    fits_update_key(f, TDOUBLE, "CRVAL1", &ra, nullptr, &status);
    fits_update_key(f, TDOUBLE, "CRVAL2", &dec, nullptr, &status);
    fits_update_key(f, TDOUBLE, "CRPIX1", &crpix1, nullptr, &status);
    fits_update_key(f, TDOUBLE, "CRPIX2", &crpix2, nullptr, &status);
    const char* names[] = {"CD1_1", "CD1_2", "CD2_1", "CD2_2"};
    for (int i = 0; i < 4; ++i) {
        double v = cd[i];
        fits_update_key(f, TDOUBLE, names[i], &v, nullptr, &status);
    }
    fits_update_key(f, TDOUBLE, "IMAGEW", &w, nullptr, &status);
    fits_update_key(f, TDOUBLE, "IMAGEH", &h, nullptr, &status);
    fits_close_file(f, &status);
    ASSERT_EQ(status, 0);
}

TEST(ReadWcsSolution, TurnsTheMatrixIntoScaleNorthAngleAndParity) {
    test::TempFolder folder;
    const double s = 2.0 / 3600.0;
    const double k = 3.14159265358979323846 / 180.0;
    struct Row {
        double angle;
        bool mirrored;
        double crpixShift;  // of the reference point from the centre, pixels
    };
    const Row rows[] = {{0.0, false, 0.0},
                        {30.0, false, 0.0},
                        {210.0, false, 0.0},
                        {330.0, true, 0.0},
                        {90.0, false, 100.0}};
    for (const Row& r : rows) {
        const double c = std::cos(r.angle * k), n = std::sin(r.angle * k);
        const double normal[4] = {-c * s, n * s, n * s, c * s};
        const double mirrored[4] = {c * s, n * s, -n * s, c * s};
        const auto path = folder.root() / "x.wcs";
        std::filesystem::remove(path);
        WriteWcs(path, 10.0, 40.0, 1500.5 + r.crpixShift, 1000.5, r.mirrored ? mirrored : normal);
        const SolveResult got = ReadWcsSolution(path);
        ASSERT_TRUE(got.solved()) << got.text;
        EXPECT_NEAR(got.scale, 2.0, 1e-9);
        EXPECT_NEAR(std::remainder(got.northAngle - r.angle, 360.0), 0.0, 1e-9) << r.angle;
        EXPECT_EQ(got.parity, r.mirrored ? Parity::Flipped : Parity::Normal);
        // A reference point 100 pixels along +x from the centre; with up to the east, +x points
        // north, so the centre lies 200" south of it.
        const double expectedDec = 40.0 - (r.crpixShift * 2.0) / 3600.0;
        EXPECT_NEAR(got.dec, expectedDec, 1e-6) << r.angle;
        EXPECT_NEAR(SeparationArcsec(got.ra, got.dec, 10.0, expectedDec), 0.0, 0.01);
    }
    EXPECT_EQ(ReadWcsSolution(folder.root() / "none.wcs").status, SolveStatus::Failed);
}

// Fields of the real sky, solved by the real solver. Each solve takes seconds: few rows.
TEST(AstrometrySolver, SolvesRenderedFieldsToTheirTruth) {
    AstrometrySolver solver;
    if (const std::string why = solver.missing(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    KOV_REQUIRE_CATALOGUE(catalogue);
    test::TempFolder folder;
    CameraModel camera;
    struct Row {
        const char* what;
        double ra, dec, northAngle;
        double scaleHint;  // of the true scale
    };
    // The second row is the first after a meridian flip: the camera turned with the tube.
    const Row rows[] = {{"east of the pier", 250.4, 36.5, 12.5, 1.0},
                        {"west of the pier", 250.4, 36.5, 192.5, 1.0},
                        {"Pixel Scale set 40% small", 30.2, 62.0, 300.0, 0.6}};
    double angles[3] = {};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& r = rows[i];
        Exposure e;
        e.ra = r.ra;
        e.dec = r.dec;
        e.northAngle = r.northAngle;
        e.seconds = 10.0;
        e.binX = e.binY = 2;
        e.darkSubtracted = true;
        e.seed = 100 + i;
        const auto path = folder.root() / "field.fits";
        FrameHeader header;
        header.exposure = 10.0;
        header.binX = header.binY = 2;
        WriteFitsImage(path, RenderField(*catalogue, camera, e), header);
        SolveRequest request;
        request.image = path;
        request.scale = 2.0 * r.scaleHint;
        request.ra = r.ra + 0.3;
        request.dec = r.dec - 0.2;
        request.timeLimit = milliseconds(60000);
        const SolveResult got = solver.solve(request);
        ASSERT_TRUE(got.solved()) << r.what << ": " << got.text;
        EXPECT_LT(SeparationArcsec(got.ra, got.dec, r.ra, r.dec), 2.0) << r.what;
        EXPECT_NEAR(got.scale / 2.0, 1.0, 0.01) << r.what;
        EXPECT_NEAR(std::remainder(got.northAngle - r.northAngle, 360.0), 0.0, 0.5) << r.what;
        EXPECT_EQ(got.parity, Parity::Normal) << r.what;
        angles[i] = got.northAngle;
    }
    EXPECT_NEAR(std::fabs(std::remainder(angles[1] - angles[0], 360.0)), 180.0, 0.5);
}

// A solver stand-in that never ends, and starts a child of its own that never ends either.
class HangingSolver : public ::testing::Test {
  protected:
    void SetUp() override {
        index_ = folder_.root() / "index";
        std::filesystem::create_directories(index_);
        std::ofstream(index_ / "index-4110.fits") << "stand-in";
        work_ = folder_.root() / "work";
        std::filesystem::create_directories(work_);
        pids_ = folder_.root() / "pids";
        script_ = folder_.root() / "solve-field";
        std::ofstream(script_) << "#!/bin/sh\necho $$ > '" << pids_.string()
                               << "'\nsleep 1000 &\necho $! >> '" << pids_.string() << "'\nwait\n";
        std::filesystem::permissions(script_, std::filesystem::perms::owner_all);
        // A frame with a few stars, so the solver is started at all.
        FieldImage frame;
        frame.width = frame.height = 64;
        frame.pixels.assign(64 * 64, 1000);
        for (int star = 0; star < 6; ++star) {
            const int x = 8 + 9 * star;
            const int y = 10 + 7 * star;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    frame.pixels[static_cast<std::size_t>((y + dy) * 64 + x + dx)] =
                        dx == 0 && dy == 0 ? 5000 : 2500;
                }
            }
        }
        WriteFitsImage(folder_.root() / "frame.fits", frame, FrameHeader{});
    }

    SolveResult Solve(milliseconds limit, std::function<bool()> stop) {
        AstrometryOptions options;
        options.command = script_.string();
        options.indexFolder = index_;
        options.temporaryParent = work_;
        AstrometrySolver solver(options);
        SolveRequest request;
        request.image = folder_.root() / "frame.fits";
        request.scale = 2.0;
        request.timeLimit = limit;
        request.stopRequested = std::move(stop);
        return solver.solve(request);
    }

    // Every process the stand-in started has ended, and the private folder is gone.
    void ExpectNothingLeft() {
        std::ifstream in(pids_);
        int pid = 0;
        int count = 0;
        while (in >> pid) {
            ++count;
            const bool gone = kill(pid, 0) != 0 || IsZombie(pid);
            EXPECT_TRUE(gone) << "process " << pid << " still runs";
        }
        EXPECT_EQ(count, 2);
        EXPECT_TRUE(std::filesystem::is_empty(work_));
    }

    static bool IsZombie(int pid) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string skip, state;
        stat >> skip >> skip >> state;
        return state == "Z";
    }

    test::TempFolder folder_;
    std::filesystem::path index_, work_, pids_, script_;
};

// Ended at its time limit, or at once when the operator stops; no process or file is left.
TEST_F(HangingSolver, IsEndedAtItsTimeLimitOrAtAStopWithNothingLeft) {
    for (const bool bStop : {false, true}) {
        SCOPED_TRACE(bStop ? "stop" : "time limit");
        const auto start = std::chrono::steady_clock::now();
        const SolveResult got = Solve(milliseconds(bStop ? 60000 : 1500), [&] {
            return bStop && std::chrono::steady_clock::now() >= start + milliseconds(300);
        });
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(got.status, bStop ? SolveStatus::Stopped : SolveStatus::TimedOut) << got.text;
        EXPECT_EQ(got.text.find("within 2 s") != std::string::npos, !bStop) << got.text;
        EXPECT_GE(seconds, bStop ? 0.3 : 1.5);
        EXPECT_LT(seconds, bStop ? 0.8 : 3.0);
        ExpectNothingLeft();
    }
}

TEST(AstrometrySolver, SaysWhatToInstallWhenSomethingIsMissing) {
    test::TempFolder folder;
    std::ofstream(folder.root() / "frame.fits") << "frame";
    struct Row {
        std::string command;
        std::filesystem::path index;
        const char* install;
    };
    const Row rows[] = {{"no-such-solve-field-program", kDefaultIndexFolder, "astrometry.net"},
                        {"/bin/true", folder.root(), "astrometry-data-tycho2-10-19"}};
    for (const Row& r : rows) {
        AstrometryOptions options;
        options.command = r.command;
        options.indexFolder = r.index;
        SolveRequest request;
        request.image = folder.root() / "frame.fits";
        const SolveResult got = AstrometrySolver(options).solve(request);
        EXPECT_EQ(got.status, SolveStatus::NotInstalled) << r.command;
        EXPECT_NE(got.text.find(std::string("install ") + r.install), std::string::npos)
            << got.text;
    }
}

TEST(RunChild, ReportsHowTheProgramEnded) {
    struct Row {
        std::vector<std::string> arguments;
        posix::ChildEnd end;
        int exitCode;
    };
    const Row rows[] = {{{"/bin/sh", "-c", "exit 3"}, posix::ChildEnd::Exited, 3},
                        {{"/bin/sh", "-c", "kill -TERM $$"}, posix::ChildEnd::Signalled, SIGTERM},
                        {{"/etc/hostname"}, posix::ChildEnd::NotStarted, -1}};
    for (const Row& r : rows) {
        posix::ChildOptions options;
        options.arguments = r.arguments;
        const posix::ChildResult got = posix::RunChild(options);
        EXPECT_EQ(got.end, r.end) << r.arguments.back() << " " << got.error;
        EXPECT_EQ(got.exitCode, r.exitCode) << r.arguments.back();
    }
}

}  // namespace
}  // namespace kov::sky

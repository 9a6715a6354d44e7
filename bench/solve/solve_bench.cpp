// Renders fields of the real sky at random places above 20 degrees of altitude with the built-in
// night's camera, solves each with astrometry.net and prints how it went:
//   solved=N/20 solve_s_median solve_s_max centre_error_arcsec_median render_ms_median
//   catalogue_query_ms_max
// Runs in a temporary folder of its own, removed at the end.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "sky/astrometry_solver.h"
#include "sky/fits_image.h"
#include "sky/star_field.h"

namespace {

using namespace kov::sky;

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;

// CPU seconds the finished child processes have used so far: the solver's own cost, whatever
// else the machine is doing.
double ChildCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Median(std::vector<double> v) {
    if (v.empty()) {
        return 0.0;
    }
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

double SeparationArcsec(double ra1, double dec1, double ra2, double dec2) {
    const double a = std::sin((dec2 - dec1) * kDeg / 2);
    const double b = std::sin((ra2 - ra1) * kDeg / 2);
    const double h = a * a + std::cos(dec1 * kDeg) * std::cos(dec2 * kDeg) * b * b;
    return 2.0 * std::asin(std::min(1.0, std::sqrt(h))) / kDeg * 3600.0;
}

// A step of the given size (degrees) in the given direction from a point, on the sphere.
void Offset(double& ra, double& dec, double distance, double bearing) {
    const double d0 = dec * kDeg;
    const double r = distance * kDeg;
    const double d1 =
        std::asin(std::sin(d0) * std::cos(r) + std::cos(d0) * std::sin(r) * std::cos(bearing));
    const double a = std::atan2(std::sin(bearing) * std::sin(r) * std::cos(d0),
                                std::cos(r) - std::sin(d0) * std::sin(d1));
    ra = std::fmod(ra + a / kDeg + 360.0, 360.0);
    dec = d1 / kDeg;
}

struct Settings {
    int fields = 20;
    int width = CameraModel{}.width;
    int height = CameraModel{}.height;
    double pixelScale = 1.0;
    int bin = 2;
    double exposure = 10.0;
    double scaleLow = 0.5;
    double scaleHigh = 2.0;
    double scaleError = 1.0;  // the Pixel Scale the solver is told, as a factor of the true one
    bool findStars = true;    // false: solve-field extracts the stars (--downsample)
    int downsample = 0;       // the solver's own choice by scale
    int objects = 50;
    double timeLimit = 30.0;
    unsigned seed = 2026;
    std::string indexFolder = kDefaultIndexFolder;
    std::string keep;    // a folder to copy the frames to
    bool fixed = false;  // one place instead of random ones
    double ra = 0.0, dec = 0.0, northAngle = 0.0;
    bool darkSubtracted = true;  // as the camera program reduces the frames with AutoDark
};

bool ParseArguments(int argc, char** argv, Settings& s) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : "0"; };
        if (a == "--fields") {
            s.fields = std::atoi(value());
        } else if (a == "--sensor") {
            s.width = std::atoi(value());
            s.height = std::atoi(value());
        } else if (a == "--pixel-scale") {
            s.pixelScale = std::atof(value());
        } else if (a == "--bin") {
            s.bin = std::atoi(value());
        } else if (a == "--exposure") {
            s.exposure = std::atof(value());
        } else if (a == "--scale-range") {
            s.scaleLow = std::atof(value());
            s.scaleHigh = std::atof(value());
        } else if (a == "--scale-error") {
            s.scaleError = std::atof(value());
        } else if (a == "--downsample") {
            s.downsample = std::atoi(value());
            s.findStars = false;
        } else if (a == "--objs") {
            s.objects = std::atoi(value());
        } else if (a == "--time-limit") {
            s.timeLimit = std::atof(value());
        } else if (a == "--seed") {
            s.seed = static_cast<unsigned>(std::atoi(value()));
        } else if (a == "--index-folder") {
            s.indexFolder = value();
        } else if (a == "--raw") {
            s.darkSubtracted = false;
        } else if (a == "--at") {
            s.fixed = true;
            s.ra = std::atof(value());
            s.dec = std::atof(value());
            s.northAngle = std::atof(value());
        } else if (a == "--keep") {
            s.keep = value();
        } else {
            std::fprintf(stderr,
                         "usage: solve_bench [--fields N] [--sensor W H] [--pixel-scale S] "
                         "[--bin B] [--exposure S] [--scale-range LOW HIGH] [--scale-error F] "
                         "[--downsample D] [--objs N] [--time-limit S] [--seed N] "
                         "[--index-folder DIR] [--keep DIR] [--at RA DEC NORTH_ANGLE]\n");
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Settings s;
    if (!ParseArguments(argc, argv, s)) {
        return 2;
    }
    const auto loadStart = std::chrono::steady_clock::now();
    const StarCatalogue catalogue = StarCatalogue::Load(s.indexFolder);
    const double loadMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - loadStart)
            .count();

    AstrometryOptions options;
    options.indexFolder = s.indexFolder;
    options.scaleLow = s.scaleLow;
    options.scaleHigh = s.scaleHigh;
    options.downsample = s.downsample;
    options.findStars = s.findStars;
    options.objects = s.objects;
    AstrometrySolver solver(options);
    if (const std::string why = solver.missing(); !why.empty()) {
        std::printf("%s\n", why.c_str());
        return 1;
    }

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("kov-solve-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);

    CameraModel camera;
    camera.width = s.width;
    camera.height = s.height;
    camera.pixelScale = s.pixelScale;
    const double latitude = 47.5;
    std::mt19937_64 random(s.seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);

    std::vector<double> solveSeconds, solveCpu, centreErrors, renderMs, scaleErrors, angleErrors;
    int solved = 0;
    std::printf("catalogue: %zu stars in %.0f ms; field %.1f' x %.1f', %.2f\"/pixel binned\n",
                catalogue.size(), loadMs, s.width * s.pixelScale / 60.0,
                s.height * s.pixelScale / 60.0, s.pixelScale * s.bin);
    for (int i = 0; i < s.fields; ++i) {
        // Uniform over the sky above 20 degrees.
        const double alt =
            std::asin(std::sin(20.0 * kDeg) + unit(random) * (1.0 - std::sin(20.0 * kDeg)));
        const double az = unit(random) * 2.0 * kPi;
        const double lst = unit(random) * 360.0;
        const double phi = latitude * kDeg;
        const double sinDec =
            std::sin(alt) * std::sin(phi) + std::cos(alt) * std::cos(phi) * std::cos(az);
        const double dec = std::asin(sinDec);
        const double ha = std::atan2(
            -std::sin(az) * std::cos(alt),
            std::sin(alt) * std::cos(phi) - std::cos(alt) * std::sin(phi) * std::cos(az));
        Exposure e;
        e.ra = std::fmod(lst - ha / kDeg + 720.0, 360.0);
        e.dec = dec / kDeg;
        e.northAngle = unit(random) * 360.0;
        e.seconds = s.exposure;
        e.binX = e.binY = s.bin;
        e.seed = random();
        if (s.fixed) {
            e.ra = s.ra;
            e.dec = s.dec;
            e.northAngle = s.northAngle;
        }
        e.darkSubtracted = s.darkSubtracted;
        // Through more air the stars fade: 0.2 magnitudes per air mass.
        const double airmass = 1.0 / std::sin(alt);
        e.transmission = std::pow(10.0, -0.4 * 0.2 * (airmass - 1.0));

        const auto renderStart = std::chrono::steady_clock::now();
        const FieldImage image = RenderField(catalogue, camera, e);
        renderMs.push_back(std::chrono::duration<double, std::milli>(
                               std::chrono::steady_clock::now() - renderStart)
                               .count());
        const std::filesystem::path file = folder / ("field" + std::to_string(i) + ".fits");
        FrameHeader header;
        header.exposure = e.seconds;
        header.binX = header.binY = s.bin;
        header.temperature = -10.0;
        header.takenAt = 1.8e9;
        WriteFitsImage(file, image, header);
        if (!s.keep.empty()) {
            std::filesystem::create_directories(s.keep);
            std::filesystem::copy_file(file, std::filesystem::path(s.keep) / file.filename(),
                                       std::filesystem::copy_options::overwrite_existing);
        }

        // The mount says it points a few arc minutes off.
        SolveRequest request;
        request.image = file;
        request.scale = s.pixelScale * s.bin * s.scaleError;
        double hintRa = e.ra;
        double hintDec = e.dec;
        Offset(hintRa, hintDec, 0.2 * unit(random), unit(random) * 2.0 * kPi);
        request.ra = hintRa;
        request.dec = hintDec;
        request.radius = 3.0;
        request.timeLimit = std::chrono::milliseconds(static_cast<long>(s.timeLimit * 1000));
        const double cpuBefore = ChildCpuSeconds();
        const SolveResult r = solver.solve(request);
        solveCpu.push_back(ChildCpuSeconds() - cpuBefore);
        std::filesystem::remove(file);
        solveSeconds.push_back(r.seconds);
        double error = -1.0;
        if (r.solved()) {
            ++solved;
            error = SeparationArcsec(e.ra, e.dec, r.ra, r.dec);
            centreErrors.push_back(error);
            scaleErrors.push_back(std::fabs(r.scale / (s.pixelScale * s.bin) - 1.0) * 100.0);
            angleErrors.push_back(std::fabs(std::remainder(r.northAngle - e.northAngle, 360.0)));
        }
        std::printf(
            "field %2d ra %8.4f dec %+8.4f alt %4.1f stars %3d render_ms %5.0f solve_s %5.2f "
            "%s centre_error_arcsec %.2f\n%s\n",
            i, e.ra, e.dec, alt / kDeg, image.starsDrawn, renderMs.back(), r.seconds,
            StatusName(r.status), error, r.text.c_str());
        std::fflush(stdout);
    }
    std::filesystem::remove_all(folder);

    std::printf("solved=%d/%d\n", solved, s.fields);
    std::printf("solve_s_median=%.2f\n", Median(solveSeconds));
    std::printf(
        "solve_s_max=%.2f\n",
        solveSeconds.empty() ? 0.0 : *std::max_element(solveSeconds.begin(), solveSeconds.end()));
    std::printf("solve_cpu_s_median=%.2f\n", Median(solveCpu));
    std::printf("centre_error_arcsec_median=%.3f\n", Median(centreErrors));
    std::printf(
        "scale_error_percent_max=%.4f\n",
        scaleErrors.empty() ? 0.0 : *std::max_element(scaleErrors.begin(), scaleErrors.end()));
    std::printf(
        "north_angle_error_deg_max=%.4f\n",
        angleErrors.empty() ? 0.0 : *std::max_element(angleErrors.begin(), angleErrors.end()));
    std::printf("render_ms_median=%.1f\n", Median(renderMs));

    // The catalogue's cone queries a rendered field makes: across 0 h, at both poles, one wider
    // than a band and one tiny. The goal is well under 10 ms each.
    double queryMsMax = 0.0;
    std::size_t queryStars = 0;
    const double cones[][3] = {{0.2, 10.0, 1.0},    {359.9, -30.0, 1.5}, {120.0, 89.5, 1.0},
                               {300.0, -88.7, 2.0}, {45.0, 60.0, 7.0},   {200.0, 0.0, 0.01}};
    for (const auto& cone : cones) {
        const auto start = std::chrono::steady_clock::now();
        queryStars += catalogue.query(cone[0], cone[1], cone[2]).size();
        queryMsMax = std::max(queryMsMax, std::chrono::duration<double, std::milli>(
                                              std::chrono::steady_clock::now() - start)
                                              .count());
    }
    std::printf("catalogue_query_ms_max=%.2f (%zu stars in %zu cones)\n", queryMsMax, queryStars,
                std::size(cones));
    return solved == s.fields ? 0 : 1;
}

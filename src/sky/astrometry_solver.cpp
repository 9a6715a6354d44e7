#include "sky/astrometry_solver.h"

#include <fitsio.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

#include "linux/child_process.h"
#include "sky/star_finder.h"

namespace kov::sky {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegToRad = kPi / 180.0;
// Arc seconds: a star of ordinary seeing still covers a pixel or two of the reduced image.
constexpr double kLargestReducedPixel = 8.5;
// Fewer stars than a quad cannot be matched.
constexpr std::size_t kFewestStars = 4;

// A folder of our own for one solve, removed with everything in it at the end of its scope.
class PrivateFolder {
  public:
    explicit PrivateFolder(const std::filesystem::path& parent) {
        std::random_device seed;
        std::mt19937_64 random((static_cast<std::uint64_t>(seed()) << 32) ^ seed());
        for (int attempt = 0; attempt < 100; ++attempt) {
            char name[32];
            std::snprintf(name, sizeof name, "kov-solve-%016llx",
                          static_cast<unsigned long long>(random()));
            std::error_code error;
            if (std::filesystem::create_directory(parent / name, error)) {
                path_ = parent / name;
                std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::replace, error);
                return;
            }
        }
    }
    ~PrivateFolder() {
        if (!path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path_, ignored);
        }
    }
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

std::string Number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

bool HasIndexFiles(const std::filesystem::path& folder) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("index-", 0) == 0 && name.find(".fits") != std::string::npos) {
            return true;
        }
    }
    return false;
}

// The last non-empty line the solver printed, for a failure's text.
std::string LastLine(const std::filesystem::path& log) {
    std::ifstream in(log);
    std::string line;
    std::string last;
    while (std::getline(in, line)) {
        if (line.find_first_not_of(" \t\r") != std::string::npos) {
            last = line;
        }
    }
    return last;
}

}  // namespace

const char* StatusName(SolveStatus status) {
    switch (status) {
        case SolveStatus::Solved:
            return "solved";
        case SolveStatus::NoMatch:
            return "no match";
        case SolveStatus::TimedOut:
            return "timed out";
        case SolveStatus::Stopped:
            return "stopped";
        case SolveStatus::NotInstalled:
            return "not installed";
        case SolveStatus::Failed:
            break;
    }
    return "failed";
}

SolveResult ReadWcsSolution(const std::filesystem::path& wcsFile) {
    SolveResult result;
    fitsfile* f = nullptr;
    int status = 0;
    if (fits_open_file(&f, wcsFile.c_str(), READONLY, &status) != 0) {
        result.text = "The solver's WCS file " + wcsFile.string() + " cannot be read";
        return result;
    }
    double crval1 = 0, crval2 = 0, crpix1 = 0, crpix2 = 0, cd11 = 0, cd12 = 0, cd21 = 0, cd22 = 0,
           width = 0, height = 0;
    fits_read_key(f, TDOUBLE, "CRVAL1", &crval1, nullptr, &status);
    fits_read_key(f, TDOUBLE, "CRVAL2", &crval2, nullptr, &status);
    fits_read_key(f, TDOUBLE, "CRPIX1", &crpix1, nullptr, &status);
    fits_read_key(f, TDOUBLE, "CRPIX2", &crpix2, nullptr, &status);
    fits_read_key(f, TDOUBLE, "CD1_1", &cd11, nullptr, &status);
    fits_read_key(f, TDOUBLE, "CD1_2", &cd12, nullptr, &status);
    fits_read_key(f, TDOUBLE, "CD2_1", &cd21, nullptr, &status);
    fits_read_key(f, TDOUBLE, "CD2_2", &cd22, nullptr, &status);
    fits_read_key(f, TDOUBLE, "IMAGEW", &width, nullptr, &status);
    fits_read_key(f, TDOUBLE, "IMAGEH", &height, nullptr, &status);
    const int readStatus = status;
    status = 0;
    fits_close_file(f, &status);
    if (readStatus != 0) {
        result.text = "The solver's WCS file " + wcsFile.string() + " lacks the solution's keys";
        return result;
    }

    // The image centre, from the reference point along the tangent plane (the intermediate
    // coordinates are east and north offsets in degrees).
    const double u = (width + 1.0) / 2.0 - crpix1;
    const double v = (height + 1.0) / 2.0 - crpix2;
    const double xi = (cd11 * u + cd12 * v) * kDegToRad;
    const double eta = (cd21 * u + cd22 * v) * kDegToRad;
    const double a0 = crval1 * kDegToRad;
    const double d0 = crval2 * kDegToRad;
    const double denominator = std::cos(d0) - eta * std::sin(d0);
    double ra = (a0 + std::atan2(xi, denominator)) / kDegToRad;
    const double dec =
        std::atan2(std::sin(d0) + eta * std::cos(d0), std::hypot(xi, denominator)) / kDegToRad;
    ra = std::fmod(ra, 360.0);
    if (ra < 0.0) {
        ra += 360.0;
    }

    const double det = cd11 * cd22 - cd12 * cd21;
    double north = std::atan2(cd12, cd22) / kDegToRad;
    if (north < 0.0) {
        north += 360.0;
    }
    result.status = SolveStatus::Solved;
    result.ra = ra;
    result.dec = dec;
    result.scale = std::sqrt(std::fabs(det)) * 3600.0;
    result.northAngle = north;
    result.parity = det < 0.0 ? Parity::Normal : Parity::Flipped;
    char text[160];
    std::snprintf(text, sizeof text,
                  "Solved: RA %.5f, Dec %.5f degrees, %.4f\"/pixel, north angle %.2f degrees%s", ra,
                  dec, result.scale, north, det < 0.0 ? "" : ", mirrored");
    result.text = text;
    return result;
}

AstrometrySolver::AstrometrySolver(AstrometryOptions options) : options_(std::move(options)) {}

std::string AstrometrySolver::missing() const {
    if (posix::FindProgram(options_.command).empty()) {
        return "The plate solver " + options_.command +
               " was not found: install astrometry.net (tools/install-deps.sh).";
    }
    if (!HasIndexFiles(options_.indexFolder)) {
        return "The plate solver has no index files in " + options_.indexFolder.string() +
               ": install astrometry-data-tycho2-10-19 (tools/install-deps.sh).";
    }
    return {};
}

SolveResult AstrometrySolver::solve(const SolveRequest& request) {
    SolveResult result;
    if (std::string why = missing(); !why.empty()) {
        result.status = SolveStatus::NotInstalled;
        result.text = std::move(why);
        return result;
    }
    std::error_code error;
    const std::filesystem::path image = std::filesystem::absolute(request.image, error);
    if (error || !std::filesystem::is_regular_file(image)) {
        result.text = "The image " + request.image.string() + " to solve does not exist.";
        return result;
    }
    const std::filesystem::path parent = options_.temporaryParent.empty()
                                             ? std::filesystem::temp_directory_path(error)
                                             : options_.temporaryParent;
    PrivateFolder folder(parent);
    if (folder.path().empty()) {
        result.text = "No private folder can be made in " + parent.string() +
                      " for the plate solver: check that it exists and is writable.";
        return result;
    }

    // A configuration of our own, so the index folder is the one we were given.
    const std::filesystem::path config = folder.path() / "astrometry.cfg";
    {
        std::ofstream out(config);
        out << "add_path " << options_.indexFolder.string() << "\nautoindex\n";
    }
    const std::filesystem::path wcs = folder.path() / "solution.wcs";
    std::filesystem::path input = image;
    std::vector<std::string> inputArgs;
    if (options_.findStars) {
        const StarList stars = FindStars(image, options_.objects);
        if (!stars.error.empty()) {
            result.text = stars.error + ".";
            return result;
        }
        if (stars.sources.size() < kFewestStars) {
            result.status = SolveStatus::NoMatch;
            result.text = "Too few stars (" + std::to_string(stars.sources.size()) +
                          ") found in the image; check the exposure, the focus and the sky.";
            return result;
        }
        input = folder.path() / "stars.xyls";
        WriteStarList(input, stars);
        inputArgs = {"--width",       std::to_string(stars.width),
                     "--height",      std::to_string(stars.height),
                     "--x-column",    "X",
                     "--y-column",    "Y",
                     "--sort-column", "FLUX"};
    }
    std::vector<std::string> args = {options_.command,
                                     "--config",
                                     config.string(),
                                     "--dir",
                                     folder.path().string(),
                                     "--temp-dir",
                                     folder.path().string(),
                                     "--out",
                                     "field",
                                     "--wcs",
                                     wcs.string(),
                                     "--overwrite",
                                     "--no-plots",
                                     "--no-remove-lines",
                                     "--uniformize",
                                     "0",
                                     "--crpix-center",
                                     "--new-fits",
                                     "none",
                                     "--index-xyls",
                                     "none",
                                     "--rdls",
                                     "none",
                                     "--corr",
                                     "none",
                                     "--match",
                                     "none",
                                     "--objs",
                                     std::to_string(options_.objects)};
    args.insert(args.end(), inputArgs.begin(), inputArgs.end());
    int downsample = options_.findStars ? 1 : options_.downsample;
    if (downsample <= 0) {
        downsample = request.scale <= 0.0 ? 2 : 1;
        for (int factor : {4, 2}) {
            if (request.scale > 0.0 && request.scale * factor <= kLargestReducedPixel) {
                downsample = factor;
                break;
            }
        }
    }
    if (downsample > 1) {
        args.insert(args.end(), {"--downsample", std::to_string(downsample)});
    }
    if (request.scale > 0.0) {
        args.insert(args.end(), {"--scale-units", "arcsecperpix", "--scale-low",
                                 Number(request.scale * options_.scaleLow), "--scale-high",
                                 Number(request.scale * options_.scaleHigh)});
    }
    if (request.ra && request.dec) {
        args.insert(args.end(), {"--ra", Number(*request.ra), "--dec", Number(*request.dec),
                                 "--radius", Number(request.radius)});
    }
    // solve-field does not keep to its own CPU limit; the wall-clock limit below is the bound.
    const long cpuLimit = std::max<long>(1, static_cast<long>(request.timeLimit.count() / 1000));
    args.insert(args.end(), {"--cpulimit", std::to_string(cpuLimit), input.string()});

    posix::ChildOptions child;
    child.arguments = std::move(args);
    child.workingDirectory = folder.path();
    child.outputFile = folder.path() / "solve-field.log";
    child.timeLimit = request.timeLimit;
    child.stopRequested = request.stopRequested;
    const posix::ChildResult run = posix::RunChild(child);

    switch (run.end) {
        case posix::ChildEnd::NotStarted:
            result.status = SolveStatus::NotInstalled;
            result.text = "The plate solver cannot be started (" + run.error +
                          "): install astrometry.net (tools/install-deps.sh).";
            break;
        case posix::ChildEnd::Stopped:
            result.status = SolveStatus::Stopped;
            result.text = "The plate solve was stopped.";
            break;
        case posix::ChildEnd::TimedOut: {
            char text[160];
            std::snprintf(text, sizeof text,
                          "The plate solver found no solution within %.0f s and was ended; "
                          "check the Pixel Scale and that the mount points where it says.",
                          request.timeLimit.count() / 1000.0);
            result.status = SolveStatus::TimedOut;
            result.text = text;
            break;
        }
        case posix::ChildEnd::Exited:
        case posix::ChildEnd::Signalled:
            if (std::filesystem::exists(wcs)) {
                result = ReadWcsSolution(wcs);
            } else if (run.end == posix::ChildEnd::Exited && run.exitCode == 0) {
                result.status = SolveStatus::NoMatch;
                result.text =
                    "The plate solver recognised no star pattern near the given position and "
                    "scale; check the Pixel Scale, the focus and the sky.";
            } else {
                result.status = SolveStatus::Failed;
                result.text = "The plate solver failed: " + LastLine(child.outputFile);
            }
            break;
    }
    result.seconds = run.seconds;
    return result;
}

}  // namespace kov::sky

#include "sky/star_catalogue.h"

#include <fitsio.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <optional>
#include <stdexcept>

namespace kov::sky {

namespace {

constexpr double kDegToRad = 3.14159265358979323846 / 180.0;
// Stars this close in two index files are one star: the files quantise the same Tycho-2
// positions differently, by far less than this.
constexpr double kMergeArcsec = 1.0;

std::string InstallHint() {
    return "install astrometry-data-tycho2-10-19 (tools/install-deps.sh)";
}

// An open FITS file, closed at the end of its scope.
class FitsReader {
  public:
    explicit FitsReader(const std::filesystem::path& path) : path_(path.string()) {
        int status = 0;
        if (fits_open_file(&file_, path_.c_str(), READONLY, &status) != 0) {
            fail("cannot be opened", status);
        }
    }
    ~FitsReader() {
        int status = 0;
        if (file_ != nullptr) {
            fits_close_file(file_, &status);
        }
    }
    FitsReader(const FitsReader&) = delete;
    FitsReader& operator=(const FitsReader&) = delete;

    // Moves to the binary table whose first column has this name.
    void moveToTable(const std::string& column) {
        int status = 0;
        int count = 0;
        fits_get_num_hdus(file_, &count, &status);
        for (int hdu = 2; hdu <= count && status == 0; ++hdu) {
            fits_movabs_hdu(file_, hdu, nullptr, &status);
            char value[FLEN_VALUE] = "";
            int keyStatus = 0;
            if (fits_read_key(file_, TSTRING, "TTYPE1", value, nullptr, &keyStatus) == 0 &&
                column == value) {
                return;
            }
        }
        fail("has no table '" + column + "' (is it an astrometry.net index file?)", status);
    }

    long rows() {
        int status = 0;
        long n = 0;
        fits_get_num_rows(file_, &n, &status);
        check(status);
        return n;
    }

    long rowBytes() {
        int status = 0;
        long n = 0;
        fits_read_key(file_, TLONG, "NAXIS1", &n, nullptr, &status);
        check(status);
        return n;
    }

    std::vector<unsigned char> bytes() {
        const long n = rows();
        const long width = rowBytes();
        std::vector<unsigned char> out(static_cast<std::size_t>(n * width));
        int status = 0;
        if (n > 0) {
            fits_read_tblbytes(file_, 1, 1, static_cast<LONGLONG>(out.size()), out.data(), &status);
        }
        check(status);
        return out;
    }

    std::vector<float> floats() {
        std::vector<float> out(static_cast<std::size_t>(rows()));
        int status = 0;
        int anyNull = 0;
        if (!out.empty()) {
            fits_read_col(file_, TFLOAT, 1, 1, 1, static_cast<LONGLONG>(out.size()), nullptr,
                          out.data(), &anyNull, &status);
        }
        check(status);
        return out;
    }

    std::optional<std::string> key(const char* name) {
        char value[FLEN_VALUE] = "";
        int status = 0;
        if (fits_read_key(file_, TSTRING, name, value, nullptr, &status) != 0) {
            return std::nullopt;
        }
        return std::string(value);
    }

    void check(int status) {
        if (status != 0) {
            fail("cannot be read", status);
        }
    }

  private:
    [[noreturn]] void fail(const std::string& what, int status) {
        char text[FLEN_STATUS] = "";
        fits_get_errstatus(status, text);
        throw std::runtime_error("The star catalogue file " + path_ + " " + what +
                                 (status != 0 ? std::string(" (CFITSIO: ") + text + ")" : "") +
                                 ". Reinstall it: " + InstallHint());
    }

    std::string path_;
    fitsfile* file_ = nullptr;
};

// astrometry.net writes its trees in the byte order of the machine that built them; Debian's
// files say "littleendian" in their names.
std::uint32_t LittleU32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t LittleU16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
double LittleDouble(const unsigned char* p) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) {
        bits = bits << 8 | p[i];
    }
    double value = 0.0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The stars of one index file: the star tree's points (unit vectors stored as integers scaled
// into the tree's bounding box) and the magnitudes carried beside them in the same order.
std::vector<CatalogueStar> ReadIndexFile(const std::filesystem::path& path) {
    FitsReader fits(path);
    fits.moveToTable("kdtree_range_stars");
    const std::vector<unsigned char> range = fits.bytes();
    if (range.size() < 7 * sizeof(double)) {
        throw std::runtime_error("The star catalogue file " + path.string() +
                                 " has no star tree range. Reinstall it: " + InstallHint());
    }
    double low[3];
    for (int d = 0; d < 3; ++d) {
        low[d] = LittleDouble(&range[static_cast<std::size_t>(d) * 8]);
    }
    const double scale = LittleDouble(&range[6 * 8]);

    fits.moveToTable("kdtree_data_stars");
    const long rows = fits.rows();
    const long width = fits.rowBytes();
    const std::vector<unsigned char> data = fits.bytes();

    fits.moveToTable("MAG_VT");
    const std::vector<float> mags = fits.floats();
    if (static_cast<long>(mags.size()) != rows) {
        throw std::runtime_error(
            "The star catalogue file " + path.string() +
            " has magnitudes for a different number of stars. Reinstall it: " + InstallHint());
    }

    std::vector<CatalogueStar> stars;
    stars.reserve(static_cast<std::size_t>(rows));
    for (long i = 0; i < rows; ++i) {
        const unsigned char* row = &data[static_cast<std::size_t>(i * width)];
        double v[3];
        for (int d = 0; d < 3; ++d) {
            if (width == 24) {
                v[d] = LittleDouble(row + 8 * d);  // stored as the points themselves
            } else if (width == 6) {
                v[d] = low[d] + LittleU16(row + 2 * d) / scale;
            } else {
                v[d] = low[d] + LittleU32(row + 4 * d) / scale;
            }
        }
        const double norm = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        CatalogueStar s;
        s.dec = std::asin(std::clamp(v[2] / norm, -1.0, 1.0)) / kDegToRad;
        s.ra = std::atan2(v[1], v[0]) / kDegToRad;
        if (s.ra < 0.0) {
            s.ra += 360.0;
        }
        s.mag = mags[static_cast<std::size_t>(i)];
        stars.push_back(s);
    }
    return stars;
}

}  // namespace

int StarCatalogue::band(double dec) const {
    return std::clamp(static_cast<int>(std::floor(dec + 90.0)), 0, kBands - 1);
}

void StarCatalogue::buildIndex() {
    bandCells_.resize(kBands);
    bandStart_.resize(kBands);
    std::size_t total = 0;
    for (int b = 0; b < kBands; ++b) {
        // The band's widest circle sets the cell count, so no cell is narrower than a degree.
        const double nearEquator = std::min(std::fabs(b - 90.0), std::fabs(b + 1 - 90.0));
        const int n = std::max(1, static_cast<int>(360.0 * std::cos(nearEquator * kDegToRad)));
        bandCells_[static_cast<std::size_t>(b)] = n;
        bandStart_[static_cast<std::size_t>(b)] = total;
        total += static_cast<std::size_t>(n);
    }
    cells_.assign(total, {});
}

void StarCatalogue::add(const CatalogueStar& star, double mergeRadius) {
    const double ra = star.ra * kDegToRad;
    const double dec = star.dec * kDegToRad;
    const Entry e{std::cos(dec) * std::cos(ra), std::cos(dec) * std::sin(ra), std::sin(dec), star};
    const int b = band(star.dec);
    const int n = cellsIn(b);
    const int c = std::min(n - 1, static_cast<int>(star.ra / 360.0 * n));
    std::vector<std::size_t>& cell = cells_[cellIndex(b, c)];
    if (mergeRadius > 0.0) {
        // A star that straddles a cell edge may be kept twice; rare, and harmless in a picture.
        const double minDot = std::cos(mergeRadius * kDegToRad);
        for (std::size_t i : cell) {
            const Entry& o = stars_[i];
            if (o.x * e.x + o.y * e.y + o.z * e.z >= minDot) {
                return;
            }
        }
    }
    cell.push_back(stars_.size());
    stars_.push_back(e);
}

StarCatalogue StarCatalogue::Load(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> paths;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("index-tycho2-", 0) == 0 && entry.path().extension() == ".fits") {
            paths.push_back(entry.path());
        }
    }
    if (paths.empty()) {
        throw std::runtime_error("No Tycho-2 index files (index-tycho2-*.fits) in " +
                                 folder.string() + ": " + InstallHint());
    }
    // The finest file first: it holds the most stars, the coarser ones mostly repeat them.
    std::sort(paths.begin(), paths.end());
    StarCatalogue catalogue;
    catalogue.buildIndex();
    bool first = true;
    for (const auto& path : paths) {
        for (const CatalogueStar& s : ReadIndexFile(path)) {
            catalogue.add(s, first ? 0.0 : kMergeArcsec / 3600.0);
        }
        catalogue.files_.push_back(path.string());
        first = false;
    }
    return catalogue;
}

const StarCatalogue& StarCatalogue::Shared() {
    static std::mutex guard;
    static std::unique_ptr<StarCatalogue> shared;
    const std::lock_guard<std::mutex> lock(guard);
    if (!shared) {
        shared = std::make_unique<StarCatalogue>(Load(kDefaultIndexFolder));
    }
    return *shared;
}

std::vector<CatalogueStar> StarCatalogue::query(double ra, double dec, double radius) const {
    std::vector<CatalogueStar> out;
    const double r = ra * kDegToRad;
    const double d = dec * kDegToRad;
    const double cx = std::cos(d) * std::cos(r);
    const double cy = std::cos(d) * std::sin(r);
    const double cz = std::sin(d);
    const double minDot = std::cos(std::min(radius, 180.0) * kDegToRad);
    const int first = band(dec - radius);
    const int last = band(dec + radius);
    for (int b = first; b <= last; ++b) {
        const int n = cellsIn(b);
        // Half the width in right ascension that the circle spans at the band's widest point.
        const double poleward = std::max(std::fabs(b - 90.0), std::fabs(b + 1 - 90.0));
        const double cosEdge = std::cos(std::min(poleward, 90.0) * kDegToRad);
        int from = 0;
        int to = n - 1;
        if (std::fabs(dec) + radius < 89.0 && radius < 90.0 && cosEdge > 1e-6) {
            const double halfWidth = std::min(180.0, radius / cosEdge + 360.0 / n);
            from = static_cast<int>(std::floor((ra - halfWidth) / 360.0 * n));
            to = static_cast<int>(std::floor((ra + halfWidth) / 360.0 * n));
            if (to - from >= n) {
                from = 0;
                to = n - 1;
            }
        }
        for (int c = from; c <= to; ++c) {
            const int wrapped = ((c % n) + n) % n;
            for (std::size_t i : cells_[cellIndex(b, wrapped)]) {
                const Entry& e = stars_[i];
                if (e.x * cx + e.y * cy + e.z * cz >= minDot) {
                    out.push_back(e.star);
                }
            }
        }
    }
    return out;
}

}  // namespace kov::sky

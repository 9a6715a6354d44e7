#include "sky/star_finder.h"

#include <fitsio.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace kov::sky {

namespace {

constexpr int kCell = 64;               // pixels: the background's grid
constexpr double kDetectSigma = 5.0;    // a peak's height above the background
constexpr int kBox = 3;                 // pixels each side of a peak for its centre and light
constexpr double kSpreadShare = 0.2;    // of a peak's height its four neighbours hold at least
constexpr double kSeparation = 4.0;     // pixels: closer peaks are one star
constexpr double kMadToSigma = 1.4826;  // for normally distributed noise

double Median(std::vector<float>& values) {
    if (values.empty()) {
        return 0.0;
    }
    const auto middle = values.begin() + static_cast<long>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

}  // namespace

StarList FindStars(const std::filesystem::path& image, int limit) {
    StarList list;
    fitsfile* f = nullptr;
    int status = 0;
    long axes[2] = {0, 0};
    int dims = 0;
    std::vector<float> pixels;
    if (fits_open_image(&f, image.c_str(), READONLY, &status) == 0) {
        fits_get_img_dim(f, &dims, &status);
        fits_get_img_size(f, 2, axes, &status);
        if (status == 0 && dims == 2 && axes[0] > 2 * kBox && axes[1] > 2 * kBox) {
            pixels.resize(static_cast<std::size_t>(axes[0] * axes[1]));
            int anyNull = 0;
            fits_read_img(f, TFLOAT, 1, static_cast<LONGLONG>(pixels.size()), nullptr,
                          pixels.data(), &anyNull, &status);
        }
        int closing = 0;
        fits_close_file(f, &closing);
    }
    if (status != 0 || pixels.empty()) {
        char text[FLEN_STATUS] = "";
        fits_get_errstatus(status, text);
        list.error = "The image " + image.string() + " cannot be read as a 2-D FITS image" +
                     (status != 0 ? std::string(" (CFITSIO: ") + text + ")" : "");
        return list;
    }
    const int w = static_cast<int>(axes[0]);
    const int h = static_cast<int>(axes[1]);
    list.width = w;
    list.height = h;
    const auto at = [&](int x, int y) {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
                      static_cast<std::size_t>(x)];
    };

    // The background of each cell is its median, which a few stars do not move; the noise is
    // the median of the cells' median absolute deviations.
    const int cellsX = (w + kCell - 1) / kCell;
    const int cellsY = (h + kCell - 1) / kCell;
    std::vector<float> background(static_cast<std::size_t>(cellsX * cellsY));
    std::vector<float> deviations;
    std::vector<float> sample;
    for (int cy = 0; cy < cellsY; ++cy) {
        for (int cx = 0; cx < cellsX; ++cx) {
            sample.clear();
            for (int y = cy * kCell; y < std::min(h, (cy + 1) * kCell); y += 2) {
                for (int x = cx * kCell; x < std::min(w, (cx + 1) * kCell); x += 2) {
                    sample.push_back(at(x, y));
                }
            }
            const double median = Median(sample);
            background[static_cast<std::size_t>(cy * cellsX + cx)] = static_cast<float>(median);
            for (float& v : sample) {
                v = static_cast<float>(std::fabs(v - median));
            }
            deviations.push_back(static_cast<float>(Median(sample)));
        }
    }
    list.noise = std::max(kMadToSigma * Median(deviations), 1e-3);
    const auto backgroundAt = [&](int x, int y) {
        return background[static_cast<std::size_t>((y / kCell) * cellsX + x / kCell)];
    };

    std::vector<Source> peaks;
    for (int y = kBox; y < h - kBox; ++y) {
        for (int x = kBox; x < w - kBox; ++x) {
            const float v = at(x, y);
            const float bg = backgroundAt(x, y);
            const double height = v - bg;
            if (height < kDetectSigma * list.noise) {
                continue;
            }
            // The highest of its neighbours; on a flat saturated top, the first of them.
            if (v <= at(x - 1, y) || v <= at(x - 1, y - 1) || v <= at(x, y - 1) ||
                v <= at(x + 1, y - 1) || v < at(x + 1, y) || v < at(x - 1, y + 1) ||
                v < at(x, y + 1) || v < at(x + 1, y + 1)) {
                continue;
            }
            // A star spreads its light; a hot pixel keeps it to itself.
            const double spread =
                at(x - 1, y) + at(x + 1, y) + at(x, y - 1) + at(x, y + 1) - 4 * bg;
            if (spread < kSpreadShare * height) {
                continue;
            }
            // Centred by its light in a box that follows the centre: a saturated star's first
            // top pixel is off its middle.
            double cx = x, cy = y, sum = 0.0;
            for (int pass = 0; pass < 3; ++pass) {
                const int bx = std::clamp(static_cast<int>(std::lround(cx)), kBox, w - 1 - kBox);
                const int by = std::clamp(static_cast<int>(std::lround(cy)), kBox, h - 1 - kBox);
                double sx = 0.0, sy = 0.0;
                sum = 0.0;
                for (int yy = by - kBox; yy <= by + kBox; ++yy) {
                    for (int xx = bx - kBox; xx <= bx + kBox; ++xx) {
                        const double light =
                            std::max(0.0, static_cast<double>(at(xx, yy) - backgroundAt(xx, yy)));
                        sum += light;
                        sx += light * xx;
                        sy += light * yy;
                    }
                }
                if (sum <= 0.0) {
                    break;
                }
                cx = sx / sum;
                cy = sy / sum;
            }
            if (sum > 0.0) {
                peaks.push_back({cx + 1.0, cy + 1.0, sum});
            }
        }
    }
    std::sort(peaks.begin(), peaks.end(),
              [](const Source& a, const Source& b) { return a.flux > b.flux; });
    for (const Source& p : peaks) {
        if (static_cast<int>(list.sources.size()) >= limit) {
            break;
        }
        const bool near = std::any_of(
            list.sources.begin(), list.sources.end(),
            [&](const Source& s) { return std::hypot(s.x - p.x, s.y - p.y) < kSeparation; });
        if (!near) {
            list.sources.push_back(p);
        }
    }
    return list;
}

void WriteStarList(const std::filesystem::path& path, const StarList& stars) {
    fitsfile* f = nullptr;
    int status = 0;
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    char x[] = "X", y[] = "Y", flux[] = "FLUX", d[] = "1D";
    char* names[] = {x, y, flux};
    char* forms[] = {d, d, d};
    fits_create_file(&f, path.c_str(), &status);
    fits_create_tbl(f, BINARY_TBL, 0, 3, names, forms, nullptr, nullptr, &status);
    int width = stars.width;
    int height = stars.height;
    fits_update_key(f, TINT, "IMAGEW", &width, "Image width, pixels", &status);
    fits_update_key(f, TINT, "IMAGEH", &height, "Image height, pixels", &status);
    std::vector<double> xs, ys, fs;
    for (const Source& s : stars.sources) {
        xs.push_back(s.x);
        ys.push_back(s.y);
        fs.push_back(s.flux);
    }
    if (!xs.empty()) {
        fits_write_col(f, TDOUBLE, 1, 1, 1, static_cast<LONGLONG>(xs.size()), xs.data(), &status);
        fits_write_col(f, TDOUBLE, 2, 1, 1, static_cast<LONGLONG>(ys.size()), ys.data(), &status);
        fits_write_col(f, TDOUBLE, 3, 1, 1, static_cast<LONGLONG>(fs.size()), fs.data(), &status);
    }
    int closing = 0;
    if (f != nullptr) {
        fits_close_file(f, &closing);
    }
    if (status != 0 || closing != 0) {
        char text[FLEN_STATUS] = "";
        fits_get_errstatus(status != 0 ? status : closing, text);
        throw std::runtime_error("The star list " + path.string() +
                                 " cannot be written (CFITSIO: " + text + ")");
    }
}

}  // namespace kov::sky

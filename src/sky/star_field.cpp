#include "sky/star_field.h"

#include <algorithm>
#include <cmath>

namespace kov::sky {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegToRad = kPi / 180.0;
constexpr double kArcsecToRad = kDegToRad / 3600.0;
constexpr double kSigmaPerFwhm = 1.0 / 2.3548200450309493;
// Below this variance (shot noise and read noise together, electrons squared) a pixel's shot
// noise is drawn exactly; above, the normal approximation is within a fraction of an electron
// and many times faster. The read noise alone (5 e-, 25 e-^2) passes it, so only a camera with
// little read noise pays for exact draws.
constexpr double kExactPoissonBelow = 20.0;
// The dark current of a hot pixel, electrons per second, between these.
constexpr double kHotLow = 20.0;
constexpr double kHotHigh = 2000.0;

// The inverse of the standard normal distribution (Acklam's approximation, one Newton step on
// erfc to full precision).
double InverseNormal(double p) {
    static const double a[] = {-3.969683028665376e+01, 2.209460984245205e+02,
                               -2.759285104469687e+02, 1.383577518672690e+02,
                               -3.066479806614716e+01, 2.506628277459239e+00};
    static const double b[] = {-5.447609879822406e+01, 1.615858368580409e+02,
                               -1.556989798598866e+02, 6.680131188771972e+01,
                               -1.328068155288572e+01};
    static const double c[] = {-7.784894002430293e-03, -3.223964580411365e-01,
                               -2.400758277161838e+00, -2.549732539343734e+00,
                               4.374664141464968e+00,  2.938163982698783e+00};
    static const double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                               3.754408661907416e+00};
    double x = 0.0;
    if (p < 0.02425) {
        const double q = std::sqrt(-2.0 * std::log(p));
        x = (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
            ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1.0);
    } else if (p > 1.0 - 0.02425) {
        return -InverseNormal(1.0 - p);
    } else {
        const double q = p - 0.5;
        const double r = q * q;
        x = (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
            (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1.0);
    }
    const double e = 0.5 * std::erfc(-x / std::sqrt(2.0)) - p;
    const double u = e * std::sqrt(2.0 * kPi) * std::exp(x * x / 2.0);
    return x - u / (1.0 + x * u / 2.0);
}

const std::vector<float>& NormalQuantiles() {
    static const std::vector<float> table = [] {
        std::vector<float> t(65536);
        for (std::size_t i = 0; i < t.size(); ++i) {
            t[i] = static_cast<float>(InverseNormal((static_cast<double>(i) + 0.5) / 65536.0));
        }
        return t;
    }();
    return table;
}

// xoshiro256** seeded by splitmix64: fast, and its output is fixed by its definition.
class FastRandom {
  public:
    explicit FastRandom(std::uint64_t seed) {
        for (auto& word : state_) {
            seed += 0x9e3779b97f4a7c15ULL;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
            z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
            word = z ^ (z >> 31);
        }
    }
    std::uint64_t next() {
        const std::uint64_t result = rotl(state_[1] * 5, 7) * 9;
        const std::uint64_t t = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = rotl(state_[3], 45);
        return result;
    }
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    // Standard normal, from a table of its 65536 quantiles: four draws per word, a few
    // nanoseconds each, which is what keeps a frame of millions of pixels quick. Truncated at
    // 4.3 sigma, which no picture shows.
    double normal() {
        if (spareCount_ == 0) {
            spare_ = next();
            spareCount_ = 4;
        }
        const auto index = static_cast<std::uint16_t>(spare_);
        spare_ >>= 16;
        --spareCount_;
        return NormalQuantiles()[index];
    }
    // Poisson by multiplying uniforms; used only for small means.
    double poisson(double mean) {
        if (mean != poissonMean_) {
            poissonMean_ = mean;
            poissonLimit_ = std::exp(-mean);
        }
        const double limit = poissonLimit_;
        double product = uniform();
        int count = 0;
        while (product > limit) {
            ++count;
            product *= uniform();
        }
        return count;
    }

  private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t state_[4];
    std::uint64_t spare_ = 0;
    int spareCount_ = 0;
    double poissonMean_ = -1.0;
    double poissonLimit_ = 1.0;
};

// The sky directions of the sensor axes: offsets in arc seconds along the binned image's x and y
// turned into the tangent plane's east (xi) and north (eta) offsets, and back.
struct Orientation {
    double a, b, c, d;  // xi = a*p + b*q, eta = c*p + d*q
};

Orientation Orient(const Exposure& e) {
    const double s = std::sin(e.northAngle * kDegToRad);
    const double c = std::cos(e.northAngle * kDegToRad);
    // Up is the north angle east of north; right is west of up on the sky, east of it mirrored.
    return e.mirrored ? Orientation{c, s, -s, c} : Orientation{-c, s, s, c};
}

}  // namespace

PixelPosition ProjectToPixel(const CameraModel& camera, const Exposure& exposure, double ra,
                             double dec) {
    const double a0 = exposure.ra * kDegToRad;
    const double d0 = exposure.dec * kDegToRad;
    const double a = ra * kDegToRad;
    const double d = dec * kDegToRad;
    const double cosc = std::sin(d0) * std::sin(d) + std::cos(d0) * std::cos(d) * std::cos(a - a0);
    PixelPosition out;
    if (cosc <= 1e-9) {
        return out;
    }
    const double xi = std::cos(d) * std::sin(a - a0) / cosc / kArcsecToRad;
    const double eta =
        (std::cos(d0) * std::sin(d) - std::sin(d0) * std::cos(d) * std::cos(a - a0)) / cosc /
        kArcsecToRad;
    const Orientation o = Orient(exposure);
    const double det = o.a * o.d - o.b * o.c;
    const double p = (o.d * xi - o.b * eta) / det;
    const double q = (-o.c * xi + o.a * eta) / det;
    const int w = camera.width / std::max(1, exposure.binX);
    const int h = camera.height / std::max(1, exposure.binY);
    out.x = (w + 1) / 2.0 + p / (camera.pixelScale * std::max(1, exposure.binX));
    out.y = (h + 1) / 2.0 + q / (camera.pixelScale * std::max(1, exposure.binY));
    out.inFront = true;
    return out;
}

FieldImage RenderField(const StarCatalogue& catalogue, const CameraModel& camera,
                       const Exposure& exposure) {
    const int binX = std::max(1, exposure.binX);
    const int binY = std::max(1, exposure.binY);
    FieldImage image;
    image.width = camera.width / binX;
    image.height = camera.height / binY;
    const std::size_t count =
        static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    const double area = binX * binY;
    const double seconds = std::max(0.0, exposure.seconds);
    const double clear = std::clamp(exposure.transmission, 0.0, 1.0);

    // The expected electrons of each pixel before noise: the background, then the stars and the
    // hot pixels on top, made a strip of rows at a time so the working memory stays in the
    // processor's cache and a frame needs no second frame-sized buffer.
    const double dark = camera.darkCurrent * area * seconds;
    const double base =
        dark + (exposure.light ? exposure.skyBackground * area * seconds * clear : 0.0);

    struct StarSpot {
        int x0, x1, y0, y1;
        std::vector<float> wx;  // flux times the share of each column
        std::vector<float> wy;  // share of each row
    };
    std::vector<StarSpot> spots;
    if (exposure.light && clear > 0.0 && seconds > 0.0) {
        const double sx = camera.pixelScale * binX;
        const double sy = camera.pixelScale * binY;
        const double sigmaX = exposure.seeing * kSigmaPerFwhm / sx;
        const double sigmaY = exposure.seeing * kSigmaPerFwhm / sy;
        const double halfDiagonal = 0.5 * std::hypot(image.width * sx, image.height * sy) / 3600.0;
        // The Gaussian integrated over each pixel, so centroids carry no pixel-phase bias.
        const auto weights = [](std::vector<float>& w, int from, int to, double centre,
                                double sigma, double scale) {
            w.resize(static_cast<std::size_t>(to - from + 1));
            const double k = 1.0 / (sigma * std::sqrt(2.0));
            for (int i = from; i <= to; ++i) {
                const double lo = i + 0.5 - centre;
                w[static_cast<std::size_t>(i - from)] =
                    static_cast<float>(scale * 0.5 * (std::erf((lo + 1.0) * k) - std::erf(lo * k)));
            }
        };
        for (const CatalogueStar& star :
             catalogue.query(exposure.ra, exposure.dec, halfDiagonal + 0.05)) {
            const PixelPosition at = ProjectToPixel(camera, exposure, star.ra, star.dec);
            const double flux =
                exposure.zeroPointFlux * std::pow(10.0, -0.4 * star.mag) * seconds * clear;
            const double peak = flux / (2.0 * kPi * sigmaX * sigmaY);
            if (!at.inFront || peak < 0.5) {
                continue;
            }
            // Out to where the star adds less than half an electron.
            const double reach = std::sqrt(2.0 * std::log(peak / 0.5)) + 1.0;
            const double rx = std::min(reach * sigmaX, 60.0);
            const double ry = std::min(reach * sigmaY, 60.0);
            // Buffer column i covers FITS x from i + 0.5 to i + 1.5.
            StarSpot spot;
            spot.x0 = std::max(0, static_cast<int>(std::floor(at.x - 1.0 - rx)));
            spot.x1 = std::min(image.width - 1, static_cast<int>(std::ceil(at.x - 1.0 + rx)));
            spot.y0 = std::max(0, static_cast<int>(std::floor(at.y - 1.0 - ry)));
            spot.y1 = std::min(image.height - 1, static_cast<int>(std::ceil(at.y - 1.0 + ry)));
            if (spot.x0 > spot.x1 || spot.y0 > spot.y1) {
                continue;
            }
            weights(spot.wx, spot.x0, spot.x1, at.x, sigmaX, flux);
            weights(spot.wy, spot.y0, spot.y1, at.y, sigmaY, 1.0);
            spots.push_back(std::move(spot));
        }
    }
    image.starsDrawn = static_cast<int>(spots.size());

    // Hot pixels sit at the same places of the sensor in every frame and every binning.
    std::vector<std::pair<std::size_t, float>> hotPixels;
    FastRandom hot(camera.hotPixelSeed);
    const long hotCount = std::lround(camera.hotPixelFraction * camera.width * camera.height);
    for (long i = 0; i < hotCount; ++i) {
        const int ux = static_cast<int>(hot.uniform() * camera.width);
        const int uy = static_cast<int>(hot.uniform() * camera.height);
        const double rate = kHotLow * std::pow(kHotHigh / kHotLow, hot.uniform());
        const int x = ux / binX;
        const int y = uy / binY;
        if (x < image.width && y < image.height) {
            hotPixels.emplace_back(static_cast<std::size_t>(y) * image.width + x,
                                   static_cast<float>(rate * seconds));
        }
    }
    std::sort(hotPixels.begin(), hotPixels.end());

    const bool subtract = exposure.light && exposure.darkSubtracted;
    FastRandom noise(exposure.seed);
    const double fullWell = camera.fullWell * area;
    const double gain = camera.gain > 0.0 ? camera.gain : 1.0;
    const double readVariance = camera.readNoise * camera.readNoise;
    image.pixels.resize(count);
    constexpr int kStripRows = 32;
    std::vector<float> mean;
    std::size_t nextHot = 0;
    // Most pixels hold the same background: the square root is reused while the mean stays.
    float lastMean = -1.0f;
    double spread = 0.0;
    for (int top = 0; top < image.height; top += kStripRows) {
        const int bottom = std::min(image.height, top + kStripRows);
        const std::size_t first = static_cast<std::size_t>(top) * image.width;
        const std::size_t last = static_cast<std::size_t>(bottom) * image.width;
        mean.assign(last - first, static_cast<float>(base));
        for (const StarSpot& spot : spots) {
            for (int y = std::max(top, spot.y0); y <= std::min(bottom - 1, spot.y1); ++y) {
                float* row = &mean[static_cast<std::size_t>(y - top) * image.width];
                const float fy = spot.wy[static_cast<std::size_t>(y - spot.y0)];
                for (int x = spot.x0; x <= spot.x1; ++x) {
                    row[x] += fy * spot.wx[static_cast<std::size_t>(x - spot.x0)];
                }
            }
        }
        const std::size_t firstHot = nextHot;
        for (; nextHot < hotPixels.size() && hotPixels[nextHot].first < last; ++nextHot) {
            mean[hotPixels[nextHot].first - first] += hotPixels[nextHot].second;
        }
        for (std::size_t i = first; i < last; ++i) {
            const float m = mean[i - first];
            double electrons = 0.0;
            if (m + readVariance < kExactPoissonBelow) {
                electrons = noise.poisson(m) + camera.readNoise * noise.normal();
            } else {
                if (m != lastMean) {
                    lastMean = m;
                    spread = std::sqrt(m + readVariance);
                }
                electrons = m + spread * noise.normal();
            }
            mean[i - first] =
                static_cast<float>(std::min(electrons, fullWell) - (subtract ? dark : 0.0));
        }
        if (subtract) {
            for (std::size_t h = firstHot; h < nextHot; ++h) {
                mean[hotPixels[h].first - first] -= hotPixels[h].second;
            }
        }
        for (std::size_t i = first; i < last; ++i) {
            const double counts =
                std::clamp(camera.bias + mean[i - first] / gain + 0.5, 0.0, 65535.0);
            image.pixels[i] = static_cast<std::uint16_t>(counts);
        }
    }
    return image;
}

}  // namespace kov::sky

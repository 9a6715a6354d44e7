#include "sky/fits_image.h"

#include <fitsio.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <stdexcept>

namespace kov::sky {

namespace {

// A FITS file being written, closed (and so flushed) at the end of its scope.
class FitsWriter {
  public:
    explicit FitsWriter(const std::filesystem::path& path) : path_(path.string()) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);  // CFITSIO refuses to overwrite
        int status = 0;
        fits_create_file(&file_, path_.c_str(), &status);
        check(status, "cannot be created");
    }
    ~FitsWriter() {
        if (file_ != nullptr) {
            int status = 0;
            fits_close_file(file_, &status);
        }
    }
    FitsWriter(const FitsWriter&) = delete;
    FitsWriter& operator=(const FitsWriter&) = delete;

    void close() {
        int status = 0;
        fits_close_file(file_, &status);
        file_ = nullptr;
        check(status, "cannot be written");
    }

    fitsfile* get() { return file_; }

    void check(int status, const char* what) {
        if (status != 0) {
            char text[FLEN_STATUS] = "";
            fits_get_errstatus(status, text);
            throw std::runtime_error("The image file " + path_ + " " + what + " (CFITSIO: " + text +
                                     "). Check the folder exists and is writable.");
        }
    }

  private:
    std::string path_;
    fitsfile* file_ = nullptr;
};

}  // namespace

std::string FitsDate(double unixSeconds) {
    const double whole = std::floor(unixSeconds);
    const std::time_t t = static_cast<std::time_t>(whole);
    std::tm utc{};
#if defined(_WIN32)
    gmtime_s(&utc, &t);
#else
    gmtime_r(&t, &utc);
#endif
    const int millis = std::min(999, static_cast<int>(std::lround((unixSeconds - whole) * 1000)));
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, millis);
    return text;
}

void WriteFitsImage(const std::filesystem::path& path, const FieldImage& image,
                    const FrameHeader& header) {
    FitsWriter fits(path);
    fitsfile* f = fits.get();
    int status = 0;
    long axes[2] = {image.width, image.height};
    // Unsigned 16 bits: BITPIX 16 with BZERO 32768, as cameras write them.
    fits_create_img(f, USHORT_IMG, 2, axes, &status);
    double exposure = header.exposure;
    int binX = header.binX;
    int binY = header.binY;
    double temperature = header.temperature;
    const std::string date = FitsDate(header.takenAt);
    const char* frame = header.light ? "Light Frame" : "Dark Frame";
    fits_update_key(f, TDOUBLE, "EXPTIME", &exposure, "Exposure time, seconds", &status);
    fits_update_key(f, TDOUBLE, "EXPOSURE", &exposure, "Exposure time, seconds", &status);
    fits_update_key(f, TSTRING, "DATE-OBS", const_cast<char*>(date.c_str()),
                    "Start of the exposure, UTC", &status);
    fits_update_key(f, TINT, "XBINNING", &binX, "Binning factor in width", &status);
    fits_update_key(f, TINT, "YBINNING", &binY, "Binning factor in height", &status);
    fits_update_key(f, TDOUBLE, "CCD-TEMP", &temperature, "Sensor temperature, C", &status);
    fits_update_key(f, TSTRING, "IMAGETYP", const_cast<char*>(frame), "Type of the frame", &status);
    if (header.pixelSize > 0.0) {
        double x = header.pixelSize * binX;
        double y = header.pixelSize * binY;
        fits_update_key(f, TDOUBLE, "XPIXSZ", &x, "Pixel width, microns, binned", &status);
        fits_update_key(f, TDOUBLE, "YPIXSZ", &y, "Pixel height, microns, binned", &status);
    }
    if (header.solution) {
        const FrameSolution& w = *header.solution;
        const double k = 3.14159265358979323846 / 180.0;
        const double scale = w.scale / 3600.0;
        const double c = std::cos(w.northAngle * k) * scale;
        const double n = std::sin(w.northAngle * k) * scale;
        double values[] = {w.ra, w.dec, (image.width + 1) / 2.0, (image.height + 1) / 2.0, -c, n,
                           n,    c};
        const char* keys[] = {"CRVAL1", "CRVAL2", "CRPIX1", "CRPIX2",
                              "CD1_1",  "CD1_2",  "CD2_1",  "CD2_2"};
        char ra[] = "RA---TAN", dec[] = "DEC--TAN";
        fits_update_key(f, TSTRING, "CTYPE1", ra, "Tangent plane projection", &status);
        fits_update_key(f, TSTRING, "CTYPE2", dec, "Tangent plane projection", &status);
        for (std::size_t i = 0; i < std::size(keys); ++i) {
            fits_update_key(f, TDOUBLE, keys[i], &values[i], nullptr, &status);
        }
        double equinox = 2000.0;
        fits_update_key(f, TDOUBLE, "EQUINOX", &equinox, nullptr, &status);
        int w2 = image.width, h2 = image.height;
        fits_update_key(f, TINT, "IMAGEW", &w2, "Image width, pixels", &status);
        fits_update_key(f, TINT, "IMAGEH", &h2, "Image height, pixels", &status);
    }
    fits.check(status, "header cannot be written");
    if (!image.pixels.empty()) {
        fits_write_img(f, TUSHORT, 1, static_cast<LONGLONG>(image.pixels.size()),
                       const_cast<std::uint16_t*>(image.pixels.data()), &status);
    }
    fits.check(status, "cannot be written");
    fits.close();
}

}  // namespace kov::sky

#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// The stars of astrometry.net's Tycho-2 index files, the same stars the solver matches against,
// so a field rendered from them is one the solver can recognise.

namespace kov::sky {

struct CatalogueStar {
    double ra = 0.0;   // degrees, J2000
    double dec = 0.0;  // degrees
    float mag = 0.0f;  // Tycho VT
};

// Where Debian's astrometry-data-tycho2-* packages put their index files.
inline constexpr const char* kDefaultIndexFolder = "/usr/share/astrometry";

class StarCatalogue {
  public:
    // Reads the stars of every index-tycho2-*.fits file in a folder, merging the stars that
    // several files share. Throws std::runtime_error that names the folder, a file and what to
    // install when there is nothing to read.
    static StarCatalogue Load(const std::filesystem::path& folder);

    // The catalogue of the default folder, loaded at the first call and kept to the end of the
    // process. Throws as Load does (and again at the next call).
    static const StarCatalogue& Shared();

    // The stars within a radius (degrees) of a direction, in no particular order.
    std::vector<CatalogueStar> query(double ra, double dec, double radius) const;

    std::size_t size() const { return stars_.size(); }
    const std::vector<std::string>& files() const { return files_; }

  private:
    struct Entry {
        double x, y, z;  // unit vector
        CatalogueStar star;
    };

    // Declination bands of one degree, each cut into right ascension cells about a degree wide.
    static constexpr int kBands = 180;
    int band(double dec) const;
    int cellsIn(int band) const { return bandCells_[static_cast<std::size_t>(band)]; }
    std::size_t cellIndex(int band, int cell) const {
        return bandStart_[static_cast<std::size_t>(band)] + static_cast<std::size_t>(cell);
    }
    void buildIndex();
    void add(const CatalogueStar& star, double mergeRadius);

    std::vector<Entry> stars_;
    std::vector<int> bandCells_;
    std::vector<std::size_t> bandStart_;
    std::vector<std::vector<std::size_t>> cells_;  // star indices
    std::vector<std::string> files_;
};

}  // namespace kov::sky

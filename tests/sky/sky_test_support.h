#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "sky/star_catalogue.h"

namespace kov::sky::test {

// A folder of the test's own under the system's temporary folder, removed afterwards.
class ScratchFolder {
  public:
    ScratchFolder() {
        path_ = std::filesystem::temp_directory_path() /
                ("kov-sky-test-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// The packaged catalogue, or null (and the test skips) where it is not installed.
inline const StarCatalogue* InstalledCatalogue() {
    try {
        return &StarCatalogue::Shared();
    } catch (const std::exception&) {
        return nullptr;
    }
}

}  // namespace kov::sky::test

#define KOV_REQUIRE_CATALOGUE(name)                                                        \
    const ::kov::sky::StarCatalogue* name = ::kov::sky::test::InstalledCatalogue();        \
    if (name == nullptr) {                                                                 \
        GTEST_SKIP() << "Tycho-2 index files not installed in " << kDefaultIndexFolder     \
                     << ": apt-get install astrometry-data-tycho2-10-19 to run this test"; \
    }

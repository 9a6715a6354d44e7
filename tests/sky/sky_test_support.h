#pragma once

#include <gtest/gtest.h>

#include <string>

#include "sky/star_catalogue.h"
#include "support/temp_folder.h"

namespace kov::sky::test {

using kov::test::TempFolder;

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

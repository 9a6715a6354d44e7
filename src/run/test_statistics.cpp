#include "run/test_statistics.h"

#include <algorithm>
#include <cmath>

#include "model/run_state.h"

namespace kov {

double FoldDegrees(double deg) {
    const double folded = AdjustDeg(std::fabs(deg));
    return folded > 180.0 ? 360.0 - folded : folded;
}

void TestStatistics::add(const SkyPosition& target, const SkyPosition& solved) {
    const double raError = FoldDegrees((target.ra - solved.ra) / 24.0 * 360.0);
    const double decError = FoldDegrees(target.dec - solved.dec);
    sumOfSquares_ += raError * raError + decError * decError;
    peak_ = std::max({peak_, raError, decError});
    ++count_;
}

double TestStatistics::rmsDeg() const {
    return count_ == 0 ? 0.0 : std::sqrt(sumOfSquares_ / count_);
}

}  // namespace kov

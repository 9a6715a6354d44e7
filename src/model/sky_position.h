#pragma once

namespace kov {

// A place on the sky as the mount and the solver give it.
struct SkyPosition {
    double ra = 0.0;   // hours
    double dec = 0.0;  // degrees
};

}  // namespace kov

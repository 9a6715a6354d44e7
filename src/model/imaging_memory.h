#pragma once

namespace kov {

// What the imaging side remembers between images for as long as the window lives.
struct ImagingMemory {
    double referenceNorthAngle = 0.0;
    // Start values that match no real exposure, so the first auto-dark image takes a dark frame.
    double lastDarkTemperature = 1000000.0;
    double lastDarkExposure = -10000.0;
    int lastDarkBin = 0;
};

}  // namespace kov

#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "model/sky_position.h"
#include "model/station.h"
#include "station/attempt.h"

namespace kov {

// What one image's plate solution gave: the status an exposure procedure leaves, and the
// position read from the planetarium's image link once the status says it solved.
struct PlateSolution {
    std::int32_t status = 0;  // 0 solved; else the solver's own number, or 1 for a failed check
    std::string text;         // the status's description
    std::optional<SkyPosition> position;  // only when it was read in full
    std::optional<double> scale;          // arc seconds per binned pixel, as the image reported
    std::optional<double> northAngle;     // degrees, as the image reported
    bool bStopped = false;                // the exposure left early on a stop request

    bool failed() const { return status != 0; }
};

// Reads the position the image link solved: the planetarium's "Image Link Information" object.
// Each of its three calls goes through `guard` (which runs the call and says whether it went
// through), so a run can ask the operator at each failing call and go on, and the single sync
// can end at the first; `step` names the call in progress for the error text. The position is
// given only when all three went through.
template <class Guard>
std::optional<SkyPosition> ReadPlateSolution(Station& st, std::string& step, Guard&& guard) {
    const auto& sky = st.devices.planetarium;
    SkyPosition solved;
    bool bRead = guard([&] { Require(sky).GetObjectRaDec("Image Link Information"); });
    step = "Retrieving RA and DEC";
    bRead = guard([&] { solved.ra = Require(sky).dObjectRa(); }) && bRead;
    bRead = guard([&] { solved.dec = Require(sky).dObjectDec(); }) && bRead;
    if (!bRead) {
        return std::nullopt;
    }
    return solved;
}

}  // namespace kov

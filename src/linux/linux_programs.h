#pragma once

#include <memory>
#include <string>

#include "linux/image_solver.h"
#include "linux/linux_object_factory.h"
#include "station/programs.h"
#include "station/settings_store.h"

namespace kov::gemini {

// Where the Linux observatory's parts are, kept in the operator's settings beside the window's
// own fields (application "KOV", section "Settings").
inline constexpr const char* kKeyGeminiLink = "GeminiLink";  // udp:HOST[:PORT], tcp:..., serial:...
inline constexpr const char* kKeyIndiServer = "IndiServer";  // HOST[:PORT]
inline constexpr const char* kKeyIndiCamera = "IndiCamera";  // the camera's INDI device name
inline constexpr const char* kDefaultGeminiLink =
    "udp:192.168.0.111:11110";  // a Gemini-2 as shipped
inline constexpr const char* kDefaultIndiServer = "localhost:7624";
inline constexpr const char* kDefaultIndiCamera = "CCD Simulator";

// Reads the observatory's parts from the settings; an INDI server address without a number after
// its last ':' keeps the default port.
LinuxObservatoryConfig ReadObservatoryConfig(const SettingsStore& store,
                                             std::shared_ptr<ImageSolver> solver);

// Keeps the parts the operator chose in the settings, for the next start.
void WriteObservatoryParts(SettingsStore& store, const ObservatoryParts& parts);

// The real observatory on Linux: the described roles on the Gemini link, the INDI camera and the
// plate solver, with no desktop windows to drive (the MaxIm DL route has no Linux role).
std::unique_ptr<Programs> MakeLinuxPrograms(LinuxObservatoryConfig config);

}  // namespace kov::gemini

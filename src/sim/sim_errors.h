#pragma once

#include <cstdint>

namespace kov::sim {

// Error numbers the simulated programs raise, chosen to look like the real programs' own.
inline constexpr std::int32_t kErrSolveFailed = 651;     // image link: no match
inline constexpr std::int32_t kErrNoImage = 652;         // nothing to solve or save
inline constexpr std::int32_t kErrObjectNotFound = 653;  // planetarium object lookup
inline constexpr std::int32_t kErrTelescopeNotConnected = 1001;
inline constexpr std::int32_t kErrBelowHorizon = 1002;
inline constexpr std::int32_t kErrPortInUse = 1003;
inline constexpr std::int32_t kErrBadCoordinates = 1004;
inline constexpr std::int32_t kErrCameraNotConnected = 1005;
inline constexpr std::int32_t kErrCameraBusy = 1006;
inline constexpr std::int32_t kErrFileNotFound = 53;
// ASCOM's "not connected" (0x80040407) as the signed number automation reports.
inline constexpr std::int32_t kErrAscomNotConnected = static_cast<std::int32_t>(0x80040407u);

}  // namespace kov::sim

#pragma once

#include <cstdint>

namespace kov {

struct Station;

// How the wait for TheSky's telescope to connect polls: "Add Point" paces itself (1 s, then
// every 0.5 s); a slew to a list point only yields between readings.
enum class ConnectWait { Paced, Polled };

// The longest wait for the telescope to connect before the command gives up.
inline constexpr std::uint32_t kConnectTimeoutMs = 30000;

// Makes sure TheSky's telescope object exists (creating the run's objects when it does not) and
// is connected. False when the objects could not be created; that failure was already shown.
// A telescope failure, or a telescope that has not connected within kConnectTimeoutMs, throws
// AutomationError for the command to show.
bool MakeTelescopeReady(Station& st, ConnectWait wait);

}  // namespace kov

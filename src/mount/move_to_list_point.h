#pragma once

#include <cstdint>

namespace kov {

struct Station;

// Marks list point pt (counted from 0; wrapped to 0 past the end), reports it and slews the
// TheSky telescope there, waiting for the slew. True when the mount arrived and no stop was
// requested. Errors of the list, the utility object or the telescope pass to the caller.
bool MoveToListPoint(Station& st, std::int32_t& pt);

}  // namespace kov

#pragma once

namespace kov {

struct Station;

// "Delete" (Delete): removes every selected row of the point list; the point count follows.
void DeletePoints(Station& st);

}  // namespace kov

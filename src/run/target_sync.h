#pragma once

namespace kov {

struct Station;

// Images and plate-solves the current position once and sends the solution to the Gemini
// controller: as a sync (bSync) or as an additional alignment point. The device objects are
// created and connected by the caller. Everything is reported in the log, the labels, message
// boxes and st.record's single point.
void TargetSync(Station& st, bool bSync);

}  // namespace kov

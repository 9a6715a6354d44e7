#pragma once

namespace kov {

struct Station;

// The modeling run: walks the telescope from point to point (Zig-Zag walk or the point list),
// images and plate-solves each point and, in a START run, sends the solution to the Gemini
// controller as a sync (first point) or an additional alignment point, then slews back to the
// start. A TEST run (bTest) sends nothing and, in Zig-Zag mode, measures how far each slew
// landed from its target. The device objects must be created and connected, bRunning set.
// Every point goes into st.record; the loop records an early end it decided itself as
// Incomplete, the caller records the rest.
void TargetLoop(Station& st, bool bTest);

}  // namespace kov

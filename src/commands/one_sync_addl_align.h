#pragma once

namespace kov {

struct Station;

// The "One Sync" (DoSync) and "Add'l Align" (AddlAlign) buttons. While any work is in progress a
// click is a stop request; otherwise it images and plate-solves the current position once
// (TargetSync) inside the device objects and the run state, as the run buttons do, and returns
// when done.
void DoSyncClick(Station& st);
void AddlAlignClick(Station& st);

}  // namespace kov

#include "commands/one_sync_addl_align.h"

#include "commands/button_command.h"
#include "run/target_sync.h"

namespace kov {

namespace {

constexpr ButtonCommand kOneSync{
    RunCommand::OneSync, 1,    nullptr, "Initializing Camera and TheSky",
    "Sync Aborted",      true, nullptr, "Sync completed",
    "Sync aborted",      false};
constexpr ButtonCommand kAddlAlign{RunCommand::AddlAlign,
                                   1,
                                   nullptr,
                                   "Initializing TheSky and Camera Control",
                                   nullptr,
                                   true,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   false};

}  // namespace

void DoSyncClick(Station& st) {
    ClickWorkButton(st, kOneSync, TargetSync, true);
}

void AddlAlignClick(Station& st) {
    ClickWorkButton(st, kAddlAlign, TargetSync, false);
}

}  // namespace kov

#include "commands/start_stop_test.h"

#include "commands/button_command.h"
#include "run/target_loop.h"

namespace kov {

namespace {

constexpr ButtonCommand kStartRun{RunCommand::Start,
                                  0,
                                  "Starting Model Run",
                                  "Initializing TheSky and Camera",
                                  "Model Run Aborted",
                                  false,
                                  nullptr,
                                  "Model Run Completed",
                                  "Model Run Aborted",
                                  true};
constexpr ButtonCommand kTestRun{
    RunCommand::Test,           0,    "Starting TEST run",  "Initializing Camera and TheSky",
    "Test run aborted by user", true, "TEST Run completed", nullptr,
    "TEST run stopped",         true};

}  // namespace

void Command1Click(Station& st) {
    ClickWorkButton(st, kStartRun, TargetLoop, false);
}

void TestItClick(Station& st) {
    ClickWorkButton(st, kTestRun, TargetLoop, true);
}

}  // namespace kov

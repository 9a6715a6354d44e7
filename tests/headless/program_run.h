#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace kov::test {

// What the real program did: how it ended and everything it printed.
struct ProgramRun {
    int exitCode = -1;  // the exit status, or 128 + the signal that ended it
    std::string out;
    std::string err;
};

// Runs the built kov-sky-mapper --headless in `folder` (where the simulated cameras write their
// images) with these arguments and extra environment variables, waits for it and collects its
// output. `onOutput` sees the standard output so far after every piece that arrives, with the
// program's process id (to send it a signal).
ProgramRun RunProgram(const std::string& folder, const std::vector<std::string>& args,
                      const std::function<void(pid_t, const std::string&)>& onOutput = {});

// The log's entries as printed (LF) or kept (CR LF): their texts without the times.
std::vector<std::string> LogTexts(const std::string& log);

}  // namespace kov::test

#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// Runs another program to its end, to a time limit, or to the operator's STOP, whichever comes
// first. The program and everything it starts run in a process group of their own, and the
// whole group is ended when the limit or the STOP comes, so nothing is left running.

namespace kov::posix {

struct ChildOptions {
    std::vector<std::string> arguments;      // the program (a name found on PATH, or a path) first
    std::filesystem::path workingDirectory;  // empty: the caller's
    std::filesystem::path outputFile;        // standard output and error; empty: discarded
    std::chrono::milliseconds timeLimit{30000};
    // Asked between short waits; true ends the program at once.
    std::function<bool()> stopRequested;
    std::chrono::milliseconds pollInterval{20};
};

enum class ChildEnd {
    Exited,      // the program ended by itself; see exitCode
    Signalled,   // a signal from elsewhere ended it
    TimedOut,    // ended by us at the time limit
    Stopped,     // ended by us at a STOP
    NotStarted,  // not found or not runnable; see error
};

struct ChildResult {
    ChildEnd end = ChildEnd::NotStarted;
    int exitCode = -1;
    std::string error;
    double seconds = 0.0;
};

ChildResult RunChild(const ChildOptions& options);

// The full path a program name resolves to on PATH (a name with a slash is taken as it is), or
// empty when there is no runnable file by that name.
std::filesystem::path FindProgram(const std::string& name);

}  // namespace kov::posix

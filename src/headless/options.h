#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "station/operator.h"

namespace kov::headless {

// A command line the runner cannot act on: one line naming the problem, exit status 2.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The main window's commands a script can give, in the order given.
enum class Command { Start, Test, Sync, Align, Connect, AddPoint };

const char* CommandWord(Command command);  // "start", "test", "sync", "align", ...

struct Options {
    std::vector<Command> commands;
    std::optional<std::string> scenario;
    bool fast = false;
    // With fast: where the virtual clock starts, seconds since 1970 (UTC); default now.
    std::optional<double> clockStart;
    std::optional<std::string> points;
    std::vector<std::pair<std::string, std::string>> sets;  // control name, value
    std::vector<Answer> answers;
    std::optional<std::string> settings;
    std::optional<std::string> report;
    std::optional<std::string> csv;   // the points of every run, as the model window saves them
    std::optional<std::string> plot;  // the last run's charts as a PNG image
    bool verbose = false;
    // The simulated observatory even where the real programs can be driven (Windows).
    bool sim = false;
    // --observatory real: the real observatory asked for by name, an error where there is none.
    bool real = false;
    bool help = false;  // the help text was asked for; nothing else was checked
};

// The arguments after "--headless", without the program name. Throws UsageError.
Options ParseOptions(const std::vector<std::string>& args);

// What --help prints.
std::string HelpText();

}  // namespace kov::headless

#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kov {
class Programs;
class SettingsStore;
struct ModelView;
struct SkyBackdrop;
}  // namespace kov

namespace kov::headless {

// Exit statuses of a headless run.
inline constexpr int kExitDone = 0;    // every command reached its normal end
inline constexpr int kExitFailed = 1;  // a command ended any other way
inline constexpr int kExitUsage = 2;   // the command line cannot be acted on

// Draws a run's charts into a PNG file at `path`; throws AutomationError naming the file. The
// runner itself draws nothing (it builds without a window system), so the program that has one
// passes its renderer in.
using PlotWriter =
    std::function<void(const std::string& path, const ModelView& view, const SkyBackdrop& sky)>;

// Runs commands of the main window without a window: `args` are the arguments after
// "--headless". The log goes to `out` as it is made, message boxes to `err`. `operatorStore` is
// the operator's own settings store, read when no --settings file is given and never written.
// `realPrograms`, where the platform has them, makes the real programs' backend; without it, or
// with --sim, the commands drive the simulated observatory. Without `plot`, --plot is refused as
// a usage error.
using ProgramsMaker = std::function<std::unique_ptr<Programs>()>;
int RunHeadless(const std::vector<std::string>& args, const SettingsStore& operatorStore,
                std::FILE* out = stdout, std::FILE* err = stderr,
                const ProgramsMaker& realPrograms = nullptr, const PlotWriter& plot = {});

}  // namespace kov::headless

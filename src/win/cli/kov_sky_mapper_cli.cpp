// kov-sky-mapper-cli.exe: the headless runner on Windows, without Qt. It drives the real
// programs through COM, or the simulated observatory with --sim, and reads the operator's
// settings from the registry, where the window keeps them.

#include <algorithm>
#include <string>
#include <vector>

#include "headless/headless_runner.h"
#include "headless/interrupt.h"
#include "win/real_programs.h"
#include "win/registry_settings_store.h"

int main(int argc, char* argv[]) {
    // Before anything else: a Ctrl+C in the first moments is a stop request too.
    kov::headless::InstallInterruptHandlers();
    std::vector<std::string> args(argv + 1, argv + argc);
    // Scripts written for the window's program say "--headless"; here it is the only mode.
    const auto headless = std::find(args.begin(), args.end(), "--headless");
    if (headless != args.end()) {
        args.erase(headless);
    }
    const kov::win::RegistrySettingsStore operatorStore;
    return kov::headless::RunHeadless(args, operatorStore, stdout, stderr,
                                      kov::win::MakeRealPrograms);
}

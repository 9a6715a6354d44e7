// kov-sky-mapper.exe: the main window on the Win32 API. It drives the real programs through COM,
// or the simulated observatory with --sim, and keeps the operator's settings in the registry.

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "headless/clocks.h"
#include "headless/ini_settings_store.h"
#include "sim/observatory.h"
#include "sim/scenario.h"
#include "station/automation_error.h"
#include "station/programs.h"
#include "win/gui/gui_clock.h"
#include "win/gui/main_window.h"
#include "win/gui/model_window.h"
#include "win/gui/wide.h"
#include "win/real_programs.h"
#include "win/registry_settings_store.h"
#include "win/shell_browser.h"

namespace {

constexpr const char* kUsage =
    "kov-sky-mapper [--sim | --observatory sim|real] [--scenario FILE] [--time-factor N]\n"
    "               [--fast [--clock-start SECONDS]] [--settings FILE]\n"
    "  --sim                drive the simulated observatory instead of the real programs\n"
    "  --observatory O      sim (as --sim) or real (the observatory's programs, the default)\n"
    "  --scenario FILE      the simulated observatory's night (JSON)\n"
    "  --time-factor N      run the simulated observatory's time N times faster (up to 1000)\n"
    "  --fast               virtual time (simulated observatory only): waits take no time\n"
    "  --clock-start S      with --fast, where the virtual clock starts (seconds since 1970)\n"
    "  --settings FILE      keep the settings in this INI file instead of the registry";

struct Options {
    bool sim = false;
    std::optional<std::string> scenario;
    double timeFactor = 1.0;
    bool fast = false;
    std::optional<double> clockStart;
    std::optional<std::string> settings;
};

// A command line that cannot be acted on: said in a box (a window program has no console) and on
// standard error, for a script that started it.
int UsageError(const std::string& problem) {
    const std::string text = "kov-sky-mapper: " + problem + "\n\n" + kUsage;
    std::fprintf(stderr, "%s\n", text.c_str());
    MessageBoxW(nullptr, kov::win::gui::Wide(text).c_str(), L"KOV - ERROR", MB_OK | MB_ICONERROR);
    return 2;
}

std::optional<double> Number(const std::string& text) {
    try {
        std::size_t used = 0;
        const double value = std::stod(text, &used);
        return used == text.size() ? std::optional<double>(value) : std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    using namespace kov::win::gui;
    int argc = 0;
    LPWSTR* argvW = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(Utf8(argvW[i]));
    }
    LocalFree(argvW);

    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--sim") {
            options.sim = true;
        } else if (a == "--observatory" || a.rfind("--observatory=", 0) == 0) {
            // The same choice as on Linux: sim, or real (the observatory's programs, the default).
            const std::string value =
                a == "--observatory" ? (hasValue ? args[++i] : "") : a.substr(14);
            if (value != "sim" && value != "real") {
                return UsageError("--observatory takes sim or real");
            }
            options.sim = value == "sim";
        } else if (a == "--fast") {
            options.fast = true;
        } else if ((a == "--scenario" || a == "--settings" || a == "--time-factor" ||
                    a == "--clock-start") &&
                   !hasValue) {
            return UsageError(a + " wants a value");
        } else if (a == "--scenario") {
            options.scenario = args[++i];
        } else if (a == "--settings") {
            options.settings = args[++i];
        } else if (a == "--time-factor") {
            const auto factor = Number(args[++i]);
            if (!factor || !(*factor > 0.0) || *factor > 1000.0) {
                return UsageError("--time-factor wants a number above 0 and up to 1000");
            }
            options.timeFactor = *factor;
        } else if (a == "--clock-start") {
            options.clockStart = Number(args[++i]);
            if (!options.clockStart) {
                return UsageError("--clock-start wants a number of seconds");
            }
        } else {
            return UsageError("unknown option " + a);
        }
    }
    // Virtual time would make a real mount's waits time out at once.
    if (options.fast && !options.sim) {
        return UsageError("--fast is for the simulated observatory: add --sim");
    }
    kov::sim::Scenario scenario = kov::sim::DefaultScenario();
    if (options.scenario) {
        try {
            scenario = kov::sim::LoadScenario(*options.scenario);
        } catch (const std::exception& e) {
            return UsageError("cannot use scenario " + *options.scenario + ": " + e.what());
        }
    }

    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES |
                                                       ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    const GdiplusSession gdiplus;

    // The clock outlives the programs, which outlive the window that drives them.
    const double start = options.clockStart.value_or(kov::headless::NowEpochSeconds());
    GuiClock clock =
        options.fast ? GuiClock::Virtual(start) : GuiClock::RealTime(options.timeFactor, start);
    std::unique_ptr<kov::Programs> real = options.sim ? nullptr : kov::win::MakeRealPrograms();
    std::unique_ptr<kov::sim::Observatory> observatory;
    if (!real) {
        observatory = std::make_unique<kov::sim::Observatory>(std::move(scenario), clock);
    }
    kov::ObjectFactory& objects = real ? real->factory() : observatory->factory();
    kov::Desktop& desktop = real ? real->desktop() : observatory->desktop();
    std::unique_ptr<kov::SettingsStore> store;
    if (options.settings) {
        try {
            store = std::make_unique<kov::headless::IniSettingsStore>(*options.settings);
        } catch (const kov::AutomationError& e) {
            return UsageError(e.description());
        }
    } else {
        store = std::make_unique<kov::win::RegistrySettingsStore>();
    }
    kov::win::ShellBrowser browser;

    MainWindow window(*store, clock, objects, desktop, browser);
    clock.setPump([&window] { window.pump(); });
    window.show(show);
    return window.run();
}

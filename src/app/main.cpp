#include <QApplication>
#include <QCommandLineParser>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "headless/headless_runner.h"
#include "headless/interrupt.h"
#include "run/model_view.h"
#include "sim/observatory.h"
#include "sim/scenario.h"
#include "station/automation_error.h"
#include "station/programs.h"
#include "ui/qt/kov_form.h"
#include "ui/qt/model_charts.h"
#include "ui/qt/qt_clock.h"
#include "ui/qt/qt_settings_store.h"

#ifdef _WIN32
#include "win/real_programs.h"
#include "win/shell_browser.h"
#else
#include "linux/astrometry_image_solver.h"
#include "linux/linux_programs.h"
#include "linux/serve_gemini.h"
#include "ui/qt/observatory_chooser.h"
#endif

namespace {

// On Windows the real programs, unless the simulated observatory is asked for; elsewhere there
// are none to drive.
#ifdef _WIN32
const kov::headless::ProgramsMaker kRealPrograms = kov::win::MakeRealPrograms;
#else
const kov::headless::ProgramsMaker kRealPrograms = nullptr;
#endif

// "--observatory sim|real" (or "--observatory=..."), the same choice on every platform; both the
// window's parser and the headless runner's know it, this only looks ahead for it. Nothing when it
// is not given; "" when its value is neither.
std::optional<std::string> ObservatoryChoice(const std::vector<std::string>& args) {
    for (auto it = args.begin(); it != args.end(); ++it) {
        std::string value;
        if (*it == "--observatory" && it + 1 != args.end()) {
            value = *(it + 1);
        } else if (it->rfind("--observatory=", 0) == 0) {
            value = it->substr(14);
        } else {
            continue;
        }
        return value == "sim" || value == "real" ? value : std::string();
    }
    return std::nullopt;
}

#ifndef _WIN32
// The real observatory on Linux, as the operator's settings describe it. The simulated one stays
// the default here, so it is made only when asked for.
std::unique_ptr<kov::Programs> MakeLinuxObservatory(const kov::SettingsStore& store) {
    return kov::gemini::MakeLinuxPrograms(
        kov::gemini::ReadObservatoryConfig(store, kov::gemini::MakeAstrometryImageSolver()));
}

// The same, with the window's chooser dialog behind Choose; the choice is kept in the settings.
std::unique_ptr<kov::Programs> MakeLinuxObservatoryWithChooser(kov::SettingsStore& store) {
    kov::gemini::LinuxObservatoryConfig config =
        kov::gemini::ReadObservatoryConfig(store, kov::gemini::MakeAstrometryImageSolver());
    config.choose = [&store](const kov::gemini::ObservatoryParts& now)
        -> std::optional<kov::gemini::ObservatoryParts> {
        const auto chosen = kov::qt::ChooseObservatory({QString::fromStdString(now.gemini),
                                                        QString::fromStdString(now.indiServer),
                                                        QString::fromStdString(now.camera)});
        if (!chosen) {
            return std::nullopt;
        }
        const kov::gemini::ObservatoryParts parts{chosen->gemini.toStdString(),
                                                  chosen->indiServer.toStdString(),
                                                  chosen->camera.toStdString()};
        try {
            kov::gemini::WriteObservatoryParts(store, parts);
        } catch (const kov::AutomationError&) {
            // The choice holds for this session; the settings save at exit says what failed.
        }
        return parts;
    };
    return kov::gemini::MakeLinuxPrograms(std::move(config));
}
#endif

}  // namespace

int main(int argc, char* argv[]) {
    // Without a window there is no QApplication either, so no display is needed. The operator's
    // settings store is read through QSettings (QtCore only) and left unchanged.
    std::vector<std::string> args(argv + 1, argv + argc);
#ifndef _WIN32
    // The simulated Gemini on a real line, for INDI clients and our own link; no window.
    if (std::find(args.begin(), args.end(), "--serve-gemini") != args.end()) {
        return kov::gemini::ServeGemini(args, stdout, stderr);
    }
#endif
    const std::optional<std::string> observatoryChoice = ObservatoryChoice(args);
    if (observatoryChoice && observatoryChoice->empty()) {
        std::fprintf(stderr, "kov-sky-mapper: --observatory takes sim or real\n");
        return 2;
    }
    const bool wantSim = observatoryChoice && *observatoryChoice == "sim";
    const bool wantReal = observatoryChoice && *observatoryChoice == "real";
    const auto headless = std::find(args.begin(), args.end(), "--headless");
    if (headless != args.end()) {
        // Before anything else: a Ctrl+C or a scheduler's TERM in the first moments is a stop
        // request too, never the end of the program.
        kov::headless::InstallInterruptHandlers();
        args.erase(headless);
        const kov::qt::QtSettingsStore operatorStore;
        kov::headless::ProgramsMaker realPrograms = kRealPrograms;
#ifndef _WIN32
        realPrograms = nullptr;
        if (wantReal) {
            realPrograms = [&operatorStore] { return MakeLinuxObservatory(operatorStore); };
        }
#endif
        // --plot draws with the window's charts, off the screen: a QApplication is made only
        // then, after the night's work, on the offscreen platform unless one was chosen.
        std::unique_ptr<QApplication> plotting;
        const kov::headless::PlotWriter plot =
            [&](const std::string& path, const kov::ModelView& view, const kov::SkyBackdrop& sky) {
                if (!QApplication::instance()) {
                    // The offscreen platform's notes (no runtime folder, no window hints) are
                    // not the operator's business in a script's output; a failed plot is
                    // reported by the runner itself.
                    qInstallMessageHandler(
                        [](QtMsgType type, const QMessageLogContext&, const QString& message) {
                            if (type == QtCriticalMsg || type == QtFatalMsg) {
                                std::fprintf(stderr, "%s\n", qPrintable(message));
                            }
                        });
                    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
                        qputenv("QT_QPA_PLATFORM", "offscreen");
                    }
                    plotting = std::make_unique<QApplication>(argc, argv);
                }
                kov::qt::WriteModelPlot(path, view, sky);
            };
        return kov::headless::RunHeadless(args, operatorStore, stdout, stderr, realPrograms, plot);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kov-sky-mapper"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(KOV_VERSION_MAJOR)
                                            .arg(KOV_VERSION_MINOR)
                                            .arg(KOV_VERSION_PATCH));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Builds the pointing model of a Gemini-controlled telescope mount."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption scenarioOption(
        QStringLiteral("scenario"),
        QStringLiteral("Night of the simulated observatory to use (JSON); default: a clear night."),
        QStringLiteral("FILE"));
    parser.addOption(scenarioOption);
    const QCommandLineOption timeFactorOption(
        QStringLiteral("time-factor"),
        QStringLiteral("Run the simulated observatory's time this many times faster (demos, "
                       "screenshots); default 1."),
        QStringLiteral("N"), QStringLiteral("1"));
    parser.addOption(timeFactorOption);
    const QCommandLineOption simOption(
        QStringLiteral("sim"),
        QStringLiteral("Drive the simulated observatory; on Windows the default is the real "
                       "programs."));
    parser.addOption(simOption);
    const QCommandLineOption observatoryOption(
        QStringLiteral("observatory"),
        QStringLiteral("sim: the simulated observatory; real: the real one (on Windows the "
                       "described programs, the default there; on Linux the Gemini link, the "
                       "INDI camera and the plate solver)."),
        QStringLiteral("sim|real"));
    parser.addOption(observatoryOption);
    parser.process(app);

    bool factorRead = false;
    const double timeFactor = parser.value(timeFactorOption).toDouble(&factorRead);
    if (!factorRead || !(timeFactor > 0.0) || timeFactor > 1000.0) {
        std::fprintf(stderr,
                     "kov-sky-mapper: --time-factor wants a number above 0 and up to 1000\n");
        return 2;
    }

    kov::sim::Scenario scenario = kov::sim::BuiltInNight();
    if (parser.isSet(scenarioOption)) {
        const QString path = parser.value(scenarioOption);
        try {
            scenario = kov::sim::LoadScenario(path.toStdString());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "kov-sky-mapper: cannot use scenario %s: %s\n", qPrintable(path),
                         e.what());
            return 2;
        }
    }

    // The clock outlives the programs, which outlive the window that drives them.
    kov::qt::QtClock clock(timeFactor);
    kov::qt::QtSettingsStore store;
    std::unique_ptr<kov::Programs> real =
        kRealPrograms && !parser.isSet(simOption) && !wantSim ? kRealPrograms() : nullptr;
#ifndef _WIN32
    if (wantReal) {
        real = MakeLinuxObservatoryWithChooser(store);
    }
#else
    (void)wantReal;
#endif
    std::unique_ptr<kov::sim::Observatory> observatory;
    if (!real) {
        observatory = std::make_unique<kov::sim::Observatory>(std::move(scenario), clock);
    }
    kov::ObjectFactory& objects = real ? real->factory() : observatory->factory();
    kov::Desktop& desktop = real ? real->desktop() : observatory->desktop();
#ifdef _WIN32
    kov::win::ShellBrowser browser;  // outlives the window
#endif

    kov::qt::KOVForm form(store, clock, objects, desktop);
#ifdef _WIN32
    form.setBrowser(browser);
#endif
    // EXIT ends the process where it stands, even from inside a wait of the work it stopped:
    // the settings are saved by then, and the work must not go on calling the outside programs
    // (a connection check would change the driver name after it was saved).
    QObject::connect(
        &form, &kov::qt::KOVForm::endProgram, &app,
        [] {
            std::fflush(nullptr);
            std::_Exit(0);
        },
        Qt::DirectConnection);
    form.show();
    return QApplication::exec();
}

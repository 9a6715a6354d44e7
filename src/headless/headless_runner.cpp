#include "headless/headless_runner.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>

#include "commands/add_point.h"
#include "commands/choose_connect.h"
#include "commands/one_sync_addl_align.h"
#include "commands/start_stop_test.h"
#include "commands/unexpected_error.h"
#include "headless/clocks.h"
#include "headless/control_settings.h"
#include "headless/headless_operator.h"
#include "headless/ini_settings_store.h"
#include "headless/interrupt.h"
#include "headless/options.h"
#include "headless/run_report.h"
#include "headless/stdout_log.h"
#include "model/point_file.h"
#include "model/run_settings.h"
#include "model/station.h"
#include "mount/model_result_text.h"
#include "run/model_csv.h"
#include "run/model_view.h"
#include "sim/observatory.h"
#include "sim/scenario.h"
#include "station/programs.h"
#include "station/safe_file.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace kov::headless {

namespace {

constexpr const char* kProgram = "kov-sky-mapper " KOV_VERSION;

std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return text;
}

void ReportUsage(std::FILE* err, const std::string& problem) {
    std::fprintf(err, "kov-sky-mapper --headless: %s (see kov-sky-mapper --headless --help)\n",
                 OneLine(problem).c_str());
}

sim::Scenario Night(const Options& options) {
    if (!options.scenario) {
        return sim::BuiltInNight();
    }
    try {
        return sim::LoadScenario(*options.scenario);
    } catch (const std::exception& e) {
        throw UsageError("cannot use the scenario " + *options.scenario + ": " + e.what());
    }
}

// A file to be written at the end whose place is wrong is found out before the night's work,
// not after it.
void CheckPlace(const char* option, const std::optional<std::string>& file) {
    if (!file) {
        return;
    }
    const std::filesystem::path path(*file);
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        throw UsageError(std::string(option) + " " + *file + " is a folder: name a file in it");
    }
    const std::filesystem::path folder =
        path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
    if (!std::filesystem::is_directory(folder, ec)) {
        throw UsageError(std::string(option) + " " + *file + ": the folder " + folder.string() +
                         " does not exist");
    }
    // A device, a pipe, a dangling link or a folder that takes no new file would only be found
    // out after the night's work.
    try {
        CheckWritablePlace(*file);
    } catch (const AutomationError& e) {
        throw UsageError(std::string(option) + " " + e.description());
    }
}

std::unique_ptr<Clock> MakeClock(const Options& options) {
    if (options.fast) {
        return std::make_unique<FastClock>(options.clockStart.value_or(NowEpochSeconds()));
    }
    return std::make_unique<SystemClock>();
}

// The real programs unless --sim asks for the simulated observatory. The simulated night and its
// virtual time mean nothing to a real mount, so they are refused rather than quietly ignored.
std::unique_ptr<Programs> OpenRealPrograms(const Options& options, const ProgramsMaker& maker) {
    if (options.real && !maker) {
        throw UsageError("--observatory real: this build has no real observatory to drive");
    }
    if (options.sim || !maker) {
        return nullptr;
    }
    if (options.scenario || options.fast) {
        throw UsageError(std::string(options.fast ? "--fast" : "--scenario") +
                         " is for the simulated observatory: add --sim");
    }
    return maker();
}

std::unique_ptr<sim::Observatory> OpenSimulator(const Options& options, const Programs* real,
                                                Clock& clock) {
    return real ? nullptr : std::make_unique<sim::Observatory>(Night(options), clock);
}

std::optional<IniSettingsStore> OpenSettingsFile(const Options& options) {
    if (!options.settings) {
        return std::nullopt;
    }
    CheckPlace("--settings", options.settings);
    try {
        return IniSettingsStore(*options.settings);
    } catch (const AutomationError& e) {
        throw UsageError(e.description());
    }
}

// One process, one observatory, one night: the commands share the Station as the window's
// buttons do.
class Runner {
  public:
    Runner(const Options& options, const SettingsStore& operatorStore, std::FILE* out,
           std::FILE* err, const ProgramsMaker& realPrograms, const PlotWriter& plot)
        : options_(options),
          out_(out),
          err_(err),
          plot_(plot),
          clock_(MakeClock(options)),
          real_(OpenRealPrograms(options, realPrograms)),
          sim_(OpenSimulator(options, real_.get(), *clock_)),
          file_(OpenSettingsFile(options)),
          store_(file_ ? static_cast<const SettingsStore&>(*file_) : operatorStore),
          ui_(std::deque<Answer>(options.answers.begin(), options.answers.end()), options.verbose,
              out, err),
          st_(ui_, *clock_, real_ ? real_->factory() : sim_->factory(),
              real_ ? real_->desktop() : sim_->desktop()),
          view_(out) {
        CheckPlace("--report", options.report);
        CheckPlace("--csv", options.csv);
        CheckPlace("--plot", options.plot);
        if (options.plot && !plot_) {
            throw UsageError("--plot " + *options.plot +
                             ": this program cannot draw charts (it has no window system); use "
                             "--report or --csv for the same data");
        }
        st_.log.attach(&view_);
        st_.record.observe([this](const RunRecord&, RecordChange change, std::size_t) {
            begun_ = begun_ || change == RecordChange::Begun;
        });
        LoadSettings(st_.settings, store_);
        // Loading a list writes its count into NumberOfAligns, as "Load..." does; a --set of it
        // is the script's explicit word and comes after.
        loadPoints();
        for (const auto& [name, value] : options.sets) {
            SetControl(st_.settings, name, value);
        }
    }
    ~Runner() { st_.log.detach(&view_); }
    Runner(const Runner&) = delete;
    Runner& operator=(const Runner&) = delete;

    int run() {
        InterruptGuard interrupts;
        int status = kExitDone;
        for (Command command : options_.commands) {
            if (InterruptGuard::Received() || !perform(command)) {
                status = kExitFailed;
                break;
            }
        }
        // Both, whatever the other did: a settings file that failed must not cost the report.
        const bool bSaved = saveSettings();
        const bool bReported = writeReport();
        const bool bExported = writeCsv();
        const bool bPlotted = writePlot();
        if (!bSaved || !bReported || !bExported || !bPlotted) {
            status = kExitFailed;
        }
        return status;
    }

  private:
    // True when the command reached its normal end with all its work done.
    bool perform(Command command) {
        switch (command) {
            case Command::Start:
                return runWork(command, Command1Click);
            case Command::Test:
                return runWork(command, TestItClick);
            case Command::Sync:
                return runWork(command, DoSyncClick);
            case Command::Align:
                return runWork(command, AddlAlignClick);
            case Command::Connect:
                return connect();
            case Command::AddPoint:
                return addPoint();
        }
        return false;
    }

    // As the window does for a click that throws: logged and shown, and the command failed.
    template <class Click>
    bool guarded(Click&& click) {
        return GuardCommand(st_, std::forward<Click>(click));
    }

    // A START, TEST, One Sync or Add'l Align: the button is clicked once to start the work. A
    // Ctrl+C is a click on STOP (the START button's caption while any work runs) from inside the
    // work, which asks for the stop whatever the work is.
    bool runWork(Command command, void (*click)(Station&)) {
        begun_ = false;
        ui_.onInterrupt = [this] { Command1Click(st_); };
        // A run that throws still leaves its record, ended as failed, for the report.
        const bool bClean = guarded([&] { click(st_); });
        ui_.onInterrupt = nullptr;
        if (!begun_) {
            return false;  // the settings were refused; the box said which
        }
        const RunRecord& record = st_.record.get();
        runs_.push_back({CommandWord(command), record});
        summarize(command, record);
        if (!bClean || record.ending != RunEnding::Completed) {
            return false;
        }
        if (command == Command::Sync || command == Command::Align) {
            // "Sync Done!": the solution was sent and the controller's terms read back.
            return record.points.size() == 1 && record.points.front().sent != SentAs::Nothing &&
                   record.points.front().terms.has_value();
        }
        return record.pointsSolved() >= record.pointsAsked;
    }

    void summarize(Command command, const RunRecord& record) {
        std::string line = std::string("== ") + CommandWord(command) + ": " +
                           RunEndingName(record.ending) + ", " +
                           std::to_string(record.pointsSolved()) + " of " +
                           std::to_string(record.pointsAsked) + " points solved";
        if (record.testRmsDeg && record.testPeakDeg) {
            char statistics[96];
            std::snprintf(statistics, sizeof statistics, ", RMS %.1f arcsec, peak %.1f arcsec",
                          *record.testRmsDeg * 3600.0, *record.testPeakDeg * 3600.0);
            line += statistics;
        }
        if (record.endTerms) {
            line += ", " + ModelResultText(record.endTerms->a, record.endTerms->e);
        }
        std::fprintf(out_, "%s\n", line.c_str());
        std::fflush(out_);
    }

    // Connect: the driver's name and the model terms; it has succeeded when the terms were read.
    bool connect() {
        const int before = ui_.writes(Label::GeminiResult);
        const bool bClean = guarded([this] { ConnectTelescope(st_); });
        const bool bRead = bClean && ui_.writes(Label::GeminiResult) > before;
        std::fprintf(out_, "== connect: ScopeName %s, GeminiResult %s\n",
                     st_.settings.ScopeName().c_str(),
                     bRead ? WithLf(ui_.label(Label::GeminiResult)).c_str() : "(not read)");
        std::fflush(out_);
        return bRead;
    }

    // As "Load..." does, the whole file or nothing. A list that add-point starts may begin with
    // no file: the save creates it.
    void loadPoints() {
        if (!options_.points) {
            return;
        }
        const std::string& path = *options_.points;
        std::error_code ec;
        const bool bAddsPoint = std::find(options_.commands.begin(), options_.commands.end(),
                                          Command::AddPoint) != options_.commands.end();
        if (bAddsPoint && !std::filesystem::exists(path, ec)) {
            return;
        }
        try {
            st_.points.replace(ReadPointFile(path));
        } catch (const AutomationError& e) {
            throw UsageError("cannot use the point file " + path + ": " + e.description());
        }
        st_.ui.setLabel(Label::FileDisplay, path);
    }

    // Add Point, then the list to --points through the safe file writer.
    bool addPoint() {
        const std::size_t before = st_.points.size();
        if (!guarded([this] { AddPoint(st_); }) || st_.points.size() == before) {
            return false;  // the box said why
        }
        const std::string& path = *options_.points;
        try {
            WritePointFile(path, st_.points.points());
        } catch (const AutomationError& e) {
            std::fprintf(err_, "kov-sky-mapper: the point list was not saved: %s\n",
                         WithLf(e.description()).c_str());
            return false;
        }
        st_.ui.setLabel(Label::FileDisplay, path);
        const MappingPoint& added = st_.points.at(st_.points.size() - 1);
        std::fprintf(out_, "== add-point: Alt %s Az %s; %zu points in %s\n", added.alt.c_str(),
                     added.az.c_str(), st_.points.size(), path.c_str());
        std::fflush(out_);
        return true;
    }

    // As the window does at exit, but only into a settings file named on the command line: the
    // operator's own store is left as it was.
    bool saveSettings() {
        if (!file_) {
            return true;
        }
        try {
            SaveSettings(st_.settings, *file_, st_.log);
            return true;
        } catch (const AutomationError& e) {
            std::fprintf(err_, "kov-sky-mapper: %s\n", WithLf(e.description()).c_str());
            return false;
        }
    }

    bool writeReport() {
        if (!options_.report) {
            return true;
        }
        try {
            WriteReport(*options_.report, kProgram, runs_);
            return true;
        } catch (const AutomationError& e) {
            std::fprintf(err_, "kov-sky-mapper: the report was not written: %s\n",
                         WithLf(e.description()).c_str());
            return false;
        }
    }

    bool writeCsv() {
        if (!options_.csv) {
            return true;
        }
        std::string csv = ModelCsvHeader();
        for (std::size_t i = 0; i < runs_.size(); ++i) {
            // Named as the window's Save Data names them, so both files read alike.
            csv += ModelCsvRows(static_cast<int>(i) + 1, RunCommandName(runs_[i].record.command),
                                BuildModelView(runs_[i].record));
        }
        return written("the CSV file", [&] { WriteFileReplacing(*options_.csv, csv); });
    }

    // The last run, as the model window shows it once the work is over.
    bool writePlot() {
        if (!options_.plot) {
            return true;
        }
        if (runs_.empty()) {
            std::fprintf(err_, "kov-sky-mapper: no chart was drawn: no run was recorded\n");
            return false;
        }
        return written("the chart image", [&] {
            plot_(*options_.plot, BuildModelView(runs_.back().record),
                  BuildSkyBackdrop(st_.settings, st_.points));
        });
    }

    template <class Write>
    bool written(const char* what, Write&& write) {
        try {
            write();
            return true;
        } catch (const AutomationError& e) {
            std::fprintf(err_, "kov-sky-mapper: %s was not written: %s\n", what,
                         WithLf(e.description()).c_str());
            return false;
        }
    }

    const Options& options_;
    std::FILE* out_;
    std::FILE* err_;
    const PlotWriter& plot_;
    std::unique_ptr<Clock> clock_;  // outlives the observatory that reads it
    std::unique_ptr<Programs> real_;
    std::unique_ptr<sim::Observatory> sim_;  // when real_ is null
    std::optional<IniSettingsStore> file_;
    const SettingsStore& store_;
    HeadlessOperator ui_;
    Station st_;
    StdoutLog view_;
    bool begun_ = false;
    std::vector<ReportedRun> runs_;
};

}  // namespace

int RunHeadless(const std::vector<std::string>& args, const SettingsStore& operatorStore,
                std::FILE* out, std::FILE* err, const ProgramsMaker& realPrograms,
                const PlotWriter& plot) {
#ifdef _WIN32
    // LF line ends on the console and in pipes, as everywhere else.
    _setmode(_fileno(out), _O_BINARY);
    _setmode(_fileno(err), _O_BINARY);
#endif
    try {
        const Options options = ParseOptions(args);
        if (options.help) {
            std::fprintf(out, "%s", HelpText().c_str());
            return kExitDone;
        }
        Runner runner(options, operatorStore, out, err, realPrograms, plot);
        return runner.run();
    } catch (const UsageError& e) {
        ReportUsage(err, e.what());
        return kExitUsage;
    }
}

}  // namespace kov::headless

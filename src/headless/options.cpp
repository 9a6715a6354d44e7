#include "headless/options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>

namespace kov::headless {

namespace {

struct Word {
    const char* word;
    Command command;
};
constexpr std::array<Word, 6> kCommands{{{"start", Command::Start},
                                         {"test", Command::Test},
                                         {"sync", Command::Sync},
                                         {"align", Command::Align},
                                         {"connect", Command::Connect},
                                         {"add-point", Command::AddPoint}}};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

Command ToCommand(const std::string& word) {
    for (const Word& w : kCommands) {
        if (w.word == word) {
            return w.command;
        }
    }
    throw UsageError("unknown command '" + word +
                     "': the commands are start, test, sync, align, connect and add-point");
}

Answer ToAnswer(const std::string& text) {
    const std::string word = Lower(text);
    if (word == "yes") {
        return Answer::Yes;
    }
    if (word == "no") {
        return Answer::No;
    }
    if (word == "ok") {
        return Answer::Ok;
    }
    if (word == "cancel") {
        return Answer::Cancel;
    }
    throw UsageError("--answer " + text + ": the answers are yes, no, ok and cancel");
}

std::pair<std::string, std::string> ToAssignment(const std::string& text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) {
        throw UsageError("--set " + text +
                         ": write it as NAME=VALUE, for example NumberOfAligns=10");
    }
    return {text.substr(0, equals), text.substr(equals + 1)};
}

// The raw words, checked and converted after CLI11 has sorted them.
struct Raw {
    std::vector<std::string> commands;
    std::string scenario;
    std::string points;
    std::string settings;
    std::string report;
    std::string csv;
    std::string plot;
    std::string clockStart;
    std::string observatory;
    std::vector<std::string> sets;
    std::vector<std::string> answers;
};

// Seconds since 1970 as a plain finite number the clock can hold: from 1970 to the end of the
// year 9999, the range a time of day can be shown for. "nan" once made the virtual clock stand
// still while the run waited on it.
double ToClockStart(const std::string& text) {
    constexpr double kLast = 253402300799.0;  // 9999-12-31 23:59:59 UTC
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value) || value < 0.0 ||
        value > kLast) {
        throw UsageError("--clock-start " + text +
                         ": give the seconds since 1970 (UTC) as a plain number from 0 to " +
                         "253402300799");
    }
    return value;
}

void Describe(CLI::App& app, Raw& raw, Options& options) {
    app.description(
        "Runs commands of the main window without a window, in order, on one observatory; "
        "stops after the first that does not reach its normal end.");
    app.add_option("COMMAND", raw.commands,
                   "start (START), test (TEST), sync (One Sync), align (Add'l Align), connect "
                   "(Connect), add-point (Add Point, then save the list to --points)");
    app.add_option("--scenario", raw.scenario,
                   "the simulated observatory's night (JSON); default: the built-in night")
        ->type_name("FILE");
    CLI::Option* fast =
        app.add_flag("--fast", options.fast, "virtual time: a 10-point run takes under a second");
    app.add_option("--clock-start", raw.clockStart,
                   "with --fast: the virtual clock's start, seconds since 1970 (UTC), so that "
                   "two runs give the same log; default: now")
        ->type_name("SECONDS")
        ->needs(fast);
    app.add_option("--points", raw.points, "load this point file first, as Load... does")
        ->type_name("FILE");
    app.add_option("--set", raw.sets,
                   "set a run setting by its control name for this run (repeatable)")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false);
    app.add_option("--answer", raw.answers,
                   "yes, no, ok or cancel: the answer to the next message box (repeatable); then "
                   "Cancel, else No, else OK")
        ->type_name("ANSWER")
        ->allow_extra_args(false);
    app.add_option("--settings", raw.settings,
                   "INI file used as the settings store, created if missing, saved at the end; "
                   "default: the operator's store, read only")
        ->type_name("FILE");
    app.add_option("--report", raw.report, "write the run records to this JSON file")
        ->type_name("FILE");
    app.add_option("--csv", raw.csv, "write the points of the runs to this CSV file")
        ->type_name("FILE");
    app.add_option("--plot", raw.plot,
                   "draw the last run's sky chart, pointing errors and term history into this "
                   "PNG file")
        ->type_name("FILE.png");
    CLI::Option* sim = app.add_flag(
        "--sim", options.sim,
        "drive the simulated observatory; on Windows the default is the real programs");
    app.add_option("--observatory", raw.observatory,
                   "sim: the simulated observatory (as --sim); real: the real one (on Windows the "
                   "observatory's programs, the default there; on Linux the Gemini link, the INDI "
                   "camera and the plate solver, as the settings name them)")
        ->type_name("sim|real")
        ->check(CLI::IsMember({"sim", "real"}))
        ->excludes(sim);
    app.add_flag("--verbose", options.verbose,
                 "also print each change of Status, ImageNumber and GeminiResult");
    app.footer(
        "Exit status: 0 when every command reached its normal end with all its work done, 1 when "
        "one ended any other way (the commands after it are not run), 2 for a usage error.\n"
        "Ctrl+C: the first stops the work in progress as STOP does; a second ends at once.");
}

}  // namespace

const char* CommandWord(Command command) {
    for (const Word& w : kCommands) {
        if (w.command == command) {
            return w.word;
        }
    }
    return "start";
}

Options ParseOptions(const std::vector<std::string>& args) {
    Options options;
    Raw raw;
    CLI::App app("kov-sky-mapper --headless", "kov-sky-mapper --headless");
    Describe(app, raw, options);
    // CLI11 takes a vector of arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        options.help = true;
        return options;
    } catch (const CLI::ParseError& e) {
        throw UsageError(e.what());
    }

    for (const std::string& word : raw.commands) {
        options.commands.push_back(ToCommand(word));
    }
    if (options.commands.empty()) {
        throw UsageError(
            "no command given: name one or more of start, test, sync, align, connect, add-point");
    }
    const auto optional = [&app](const char* name, const std::string& value) {
        return app.count(name) > 0 ? std::optional<std::string>(value) : std::nullopt;
    };
    options.scenario = optional("--scenario", raw.scenario);
    options.points = optional("--points", raw.points);
    options.settings = optional("--settings", raw.settings);
    options.report = optional("--report", raw.report);
    options.csv = optional("--csv", raw.csv);
    options.plot = optional("--plot", raw.plot);
    if (app.count("--observatory") > 0) {
        options.sim = raw.observatory == "sim";
        options.real = raw.observatory == "real";
    }
    if (app.count("--clock-start") > 0) {
        options.clockStart = ToClockStart(raw.clockStart);
    }
    for (const std::string& set : raw.sets) {
        options.sets.push_back(ToAssignment(set));
    }
    for (const std::string& answer : raw.answers) {
        options.answers.push_back(ToAnswer(answer));
    }
    const bool addsPoint = std::find(options.commands.begin(), options.commands.end(),
                                     Command::AddPoint) != options.commands.end();
    if (addsPoint && !options.points) {
        throw UsageError("add-point saves the list to --points FILE: name the file");
    }
    return options;
}

std::string HelpText() {
    Options options;
    Raw raw;
    CLI::App app("kov-sky-mapper --headless", "kov-sky-mapper --headless");
    Describe(app, raw, options);
    return app.help();
}

}  // namespace kov::headless

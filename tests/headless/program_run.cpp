#include "headless/program_run.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace kov::test {

ProgramRun RunProgram(const std::string& folder, const std::vector<std::string>& args,
                      const std::function<void(pid_t, const std::string&)>& onOutput) {
    // The program is named by its full path: the folder changes before it starts.
    std::vector<std::string> words{std::filesystem::absolute(KOV_PROGRAM).string(), "--headless"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);

    // The operator's store under the folder: no test reads or writes the real one.
    setenv("XDG_CONFIG_HOME", (std::filesystem::path(folder) / "config").c_str(), 1);
    // The built-in night's fast solver: these tests do not exercise solving (one test of the
    // real solver runs the program itself).
    setenv("KOV_SIM_SOLVER", "statistical", 1);

    // Standard output comes through a pipe as it is written; standard error, read at the end,
    // goes to a file, so neither stream can block the program while the other is read.
    const std::unique_ptr<FILE, int (*)(FILE*)> err(std::tmpfile(), &std::fclose);
    int out[2] = {-1, -1};
    if (!err || pipe(out) != 0) {
        throw std::runtime_error("no pipe or file for the program's output");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fileno(err.get()), 2);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    ProgramRun run;
    char buffer[4096];
    for (ssize_t n = 0; spawned == 0 && (n = read(out[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0) {
            run.out.append(buffer, static_cast<std::size_t>(n));
            if (onOutput) {
                onOutput(pid, run.out);
            }
        } else if (errno != EINTR) {
            break;
        }
    }
    close(out[0]);
    if (spawned != 0) {
        throw std::runtime_error(std::string("cannot start ") + KOV_PROGRAM);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::rewind(err.get());
    for (int c = std::fgetc(err.get()); c != EOF; c = std::fgetc(err.get())) {
        run.err += static_cast<char>(c);
    }
    return run;
}

std::vector<std::string> LogTexts(const std::string& log) {
    std::vector<std::string> texts;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.size() > 10 && line[2] == ':' && line[5] == ':' && line.substr(8, 2) == "  ") {
            texts.push_back(line.substr(10));
        }
    }
    return texts;
}

}  // namespace kov::test

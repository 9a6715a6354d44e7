#include "linux/child_process.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace kov::posix {

namespace {

using Clock = std::chrono::steady_clock;

// Programs the group started may outlive their parent for a moment after the kill; this long at
// most is spent making sure they are gone.
constexpr auto kGroupGoneWait = std::chrono::seconds(2);

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Whether a process of the group still runs. Members that have ended but wait for a parent to
// collect them (the group leader's orphans go to init, which may be slow to) do not count.
bool GroupRuns(pid_t group) {
    DIR* proc = opendir("/proc");
    if (proc == nullptr) {
        return kill(-group, 0) == 0;
    }
    bool runs = false;
    while (const dirent* entry = readdir(proc)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9') {
            continue;
        }
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line;
        std::getline(stat, line);
        // pid (command) state ppid pgrp ...; the command may hold spaces and parentheses.
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        std::istringstream fields(line.substr(close + 1));
        char state = 0;
        long parent = 0;
        long pgrp = 0;
        fields >> state >> parent >> pgrp;
        if (pgrp == group && state != 'Z' && state != 'X') {
            runs = true;
            break;
        }
    }
    closedir(proc);
    return runs;
}

// Ends every process of the group and reaps the leader.
void EndGroup(pid_t leader) {
    kill(-leader, SIGKILL);
    int status = 0;
    while (waitpid(leader, &status, 0) < 0 && errno == EINTR) {
    }
    const auto until = Clock::now() + kGroupGoneWait;
    while (GroupRuns(leader) && Clock::now() < until) {
        kill(-leader, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace

std::filesystem::path FindProgram(const std::string& name) {
    if (name.empty()) {
        return {};
    }
    if (name.find('/') != std::string::npos) {
        return access(name.c_str(), X_OK) == 0 ? std::filesystem::path(name)
                                               : std::filesystem::path();
    }
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::filesystem::path candidate =
            std::filesystem::path(folder.empty() ? "." : folder) / name;
        if (access(candidate.c_str(), X_OK) == 0 && !std::filesystem::is_directory(candidate)) {
            return candidate;
        }
    }
    return {};
}

ChildResult RunChild(const ChildOptions& options) {
    const auto start = Clock::now();
    ChildResult result;
    if (options.arguments.empty()) {
        result.error = "no program given";
        return result;
    }
    const std::filesystem::path program = FindProgram(options.arguments.front());
    if (program.empty()) {
        result.error = options.arguments.front() + " was not found or cannot be run";
        return result;
    }

    // Everything the child needs is made before the fork: after it only calls that are safe in
    // a copy of a process with threads are allowed.
    const std::string programText = program.string();
    std::vector<char*> argv;
    for (const std::string& a : options.arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    const std::string directory = options.workingDirectory.string();
    const std::string output =
        options.outputFile.empty() ? std::string("/dev/null") : options.outputFile.string();

    // Closed by a successful exec; carries the errno of a failed one.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        result.error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return result;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        result.error = std::string("cannot start a process: ") + std::strerror(errno);
        close(report[0]);
        close(report[1]);
        return result;
    }
    if (pid == 0) {
        setpgid(0, 0);
        int error = 0;
        if (!directory.empty() && chdir(directory.c_str()) != 0) {
            error = errno;
        }
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (error == 0 && (in < 0 || out < 0)) {
            error = errno;
        }
        if (error == 0) {
            dup2(in, 0);
            dup2(out, 1);
            dup2(out, 2);
            execv(programText.c_str(), argv.data());
            error = errno;
        }
        [[maybe_unused]] const ssize_t written = write(report[1], &error, sizeof error);
        _exit(127);
    }
    // Both sides set the group, so it exists whichever runs first.
    setpgid(pid, pid);
    close(report[1]);
    int childError = 0;
    ssize_t got = 0;
    while ((got = read(report[0], &childError, sizeof childError)) < 0 && errno == EINTR) {
    }
    close(report[0]);
    if (got == static_cast<ssize_t>(sizeof childError)) {
        int status = 0;
        waitpid(pid, &status, 0);
        result.error = programText + " cannot be run: " + std::strerror(childError);
        result.seconds = SecondsSince(start);
        return result;
    }

    const auto deadline = start + options.timeLimit;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            // Whatever it left behind in its group goes with it.
            kill(-pid, SIGKILL);
            if (WIFEXITED(status)) {
                result.end = ChildEnd::Exited;
                result.exitCode = WEXITSTATUS(status);
            } else {
                result.end = ChildEnd::Signalled;
                result.exitCode = WIFSIGNALED(status) ? WTERMSIG(status) : -1;
            }
            break;
        }
        if (options.stopRequested && options.stopRequested()) {
            EndGroup(pid);
            result.end = ChildEnd::Stopped;
            break;
        }
        if (Clock::now() >= deadline) {
            EndGroup(pid);
            result.end = ChildEnd::TimedOut;
            break;
        }
        std::this_thread::sleep_for(options.pollInterval);
    }
    result.seconds = SecondsSince(start);
    return result;
}

}  // namespace kov::posix

#include "headless/program_run.h"

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace kov::test {

namespace {

// Closes what it holds when it goes, so a failing test leaks no descriptors.
struct Pipe {
    int fd[2] = {-1, -1};
    Pipe() {
        if (pipe(fd) != 0) {
            throw std::runtime_error("pipe failed");
        }
    }
    ~Pipe() {
        closeEnd(0);
        closeEnd(1);
    }
    void closeEnd(int end) {
        if (fd[end] >= 0) {
            close(fd[end]);
            fd[end] = -1;
        }
    }
};

}  // namespace

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

    Pipe out;
    Pipe err;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out.fd[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err.fd[1], 2);
    posix_spawn_file_actions_addclose(&actions, out.fd[0]);
    posix_spawn_file_actions_addclose(&actions, err.fd[0]);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error(std::string("cannot start ") + KOV_PROGRAM);
    }
    out.closeEnd(1);
    err.closeEnd(1);

    ProgramRun run;
    std::array<pollfd, 2> fds{{{out.fd[0], POLLIN, 0}, {err.fd[0], POLLIN, 0}}};
    std::array<std::string*, 2> sinks{&run.out, &run.err};
    int open = 2;
    while (open > 0) {
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                fds[i].fd = -1;
                --open;
                continue;
            }
            sinks[i]->append(buffer, static_cast<std::size_t>(n));
            if (i == 0 && onOutput) {
                onOutput(pid, run.out);
            }
        }
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

TempFolder::TempFolder() {
    std::random_device seed;
    root_ = std::filesystem::temp_directory_path() /
            ("kov-headless-" + std::to_string(getpid()) + "-" + std::to_string(seed()));
    std::filesystem::create_directories(root_);
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

std::string TempFolder::write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
    return path(name);
}

std::string TempFolder::read(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace kov::test

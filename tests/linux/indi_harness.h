#pragma once

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

// Child programs for the peer tests (indiserver and its drivers, our own program), each in a
// process group of its own that is ended whatever way the test leaves, on a free port, in a
// temporary home.

namespace kov::gemini::test {

inline bool OnPath(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

inline int FreePort(int type = SOCK_STREAM) {
    const int fd = ::socket(AF_INET, type, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t length = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    ::close(fd);
    return ntohs(a.sin_port);
}

// Polls until the condition holds, at most for the given time.
template <class F>
bool WaitFor(F condition, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// A program and whatever it starts, its output in a file, HOME where the caller says.
class ProcessGroup {
  public:
    ProcessGroup(std::vector<std::string> args, std::filesystem::path log,
                 const std::filesystem::path& home)
        : log_(std::move(log)) {
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setpgid(0, 0);
            ::setenv("HOME", home.c_str(), 1);
            std::freopen(log_.c_str(), "w", stdout);
            std::freopen(log_.c_str(), "a", stderr);
            std::vector<char*> argv;
            for (auto& a : args) {
                argv.push_back(a.data());
            }
            argv.push_back(nullptr);
            ::execvp(argv[0], argv.data());
            std::_Exit(127);
        }
        ::setpgid(pid_, pid_);
    }
    ~ProcessGroup() {
        ::kill(-pid_, SIGTERM);
        if (!WaitFor([&] { return ::waitpid(pid_, nullptr, WNOHANG) == pid_; },
                     std::chrono::milliseconds(1000))) {
            ::kill(-pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    ProcessGroup(const ProcessGroup&) = delete;
    ProcessGroup& operator=(const ProcessGroup&) = delete;

    std::string output() const {
        std::ostringstream text;
        text << std::ifstream(log_).rdbuf();
        return text.str();
    }

  private:
    std::filesystem::path log_;
    pid_t pid_ = -1;
};

// indiserver with the given drivers on a free port, its configuration in a temporary home.
class IndiServer {
  public:
    explicit IndiServer(const std::string& driver)
        : home_(std::filesystem::temp_directory_path() /
                ("kov-indi-" + std::to_string(::getpid()) + "-" + std::to_string(FreePort()))),
          port_(FreePort()),
          process_({"indiserver", "-p", std::to_string(port_), driver},
                   (std::filesystem::create_directories(home_), home_ / "log"), home_) {}
    ~IndiServer() {
        std::error_code ignored;
        std::filesystem::remove_all(home_, ignored);
    }

    int port() const { return port_; }
    std::string log() const { return process_.output(); }

    // "device.property.element" -> value, for every element the pattern matches; empty when
    // the server or the property is not there (yet).
    std::map<std::string, std::string> get(const std::string& pattern) const {
        std::map<std::string, std::string> values;
        const std::string command =
            "timeout 5 indi_getprop -p " + std::to_string(port_) + " -t 1 '" + pattern + "'";
        FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
        char line[512];
        while (pipe && std::fgets(line, sizeof line, pipe)) {
            std::string text(line);
            text.erase(text.find_last_not_of("\r\n") + 1);
            if (const auto eq = text.find('='); eq != std::string::npos) {
                values[text.substr(0, eq)] = text.substr(eq + 1);
            }
        }
        return pipe ? (::pclose(pipe), values) : values;
    }

    bool set(const std::string& assignment) const {
        const std::string command =
            "timeout 5 indi_setprop -p " + std::to_string(port_) + " '" + assignment + "'";
        return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
    }

  private:
    std::filesystem::path home_;
    int port_;
    ProcessGroup process_;
};

}  // namespace kov::gemini::test

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
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// indiserver and its drivers for the peer tests: started in a temporary home on a free port, in
// a process group of their own that is ended whatever way the test leaves.

namespace kov::gemini::test {

inline bool OnPath(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

inline int FreeTcpPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t length = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    ::close(fd);
    return ntohs(a.sin_port);
}

class IndiServer {
  public:
    explicit IndiServer(const std::vector<std::string>& drivers)
        : home_(std::filesystem::temp_directory_path() /
                ("kov-indi-" + std::to_string(::getpid()) + "-" + std::to_string(FreeTcpPort()))),
          port_(FreeTcpPort()) {
        std::filesystem::create_directories(home_);
        const std::string log = (home_ / "indiserver.log").string();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setpgid(0, 0);
            ::setenv("HOME", home_.c_str(), 1);
            std::freopen(log.c_str(), "w", stdout);
            std::freopen(log.c_str(), "a", stderr);
            std::vector<std::string> args{"indiserver", "-p", std::to_string(port_)};
            args.insert(args.end(), drivers.begin(), drivers.end());
            std::vector<char*> argv;
            for (auto& a : args) {
                argv.push_back(a.data());
            }
            argv.push_back(nullptr);
            ::execvp("indiserver", argv.data());
            std::_Exit(127);
        }
        ::setpgid(pid_, pid_);
    }

    ~IndiServer() {
        if (pid_ > 0) {
            ::kill(-pid_, SIGTERM);
            for (int i = 0; i < 50; ++i) {
                if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                    pid_ = -1;
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            if (pid_ > 0) {
                ::kill(-pid_, SIGKILL);
                ::waitpid(pid_, nullptr, 0);
            }
        }
        std::error_code ignored;
        std::filesystem::remove_all(home_, ignored);
    }

    IndiServer(const IndiServer&) = delete;
    IndiServer& operator=(const IndiServer&) = delete;

    int port() const { return port_; }
    // What indiserver and its drivers printed so far.
    std::string log() const {
        std::string text;
        if (FILE* f = std::fopen((home_ / "indiserver.log").c_str(), "r")) {
            char buffer[4096];
            std::size_t n = 0;
            while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
                text.append(buffer, n);
            }
            std::fclose(f);
        }
        return text;
    }
    const std::filesystem::path& home() const { return home_; }

    // "device.property.element" -> value, for every element the pattern matches; empty when
    // the server or the property is not there (yet).
    std::map<std::string, std::string> get(const std::string& pattern) const {
        std::map<std::string, std::string> values;
        const std::string command = "timeout 5 indi_getprop -p " + std::to_string(port_) +
                                    " -t 1 '" + pattern + "' 2>/dev/null";
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe) {
            return values;
        }
        char line[512];
        while (std::fgets(line, sizeof line, pipe)) {
            std::string text(line);
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
                text.pop_back();
            }
            const auto eq = text.find('=');
            if (eq != std::string::npos) {
                values[text.substr(0, eq)] = text.substr(eq + 1);
            }
        }
        ::pclose(pipe);
        return values;
    }

    bool set(const std::string& assignment) const {
        const std::string command = "timeout 5 indi_setprop -p " + std::to_string(port_) + " '" +
                                    assignment + "' >/dev/null 2>&1";
        return std::system(command.c_str()) == 0;
    }

    // Polls until the condition holds, at most for the given time.
    template <class F>
    static bool waitFor(F condition, std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (condition()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return condition();
    }

  private:
    std::filesystem::path home_;
    int port_;
    pid_t pid_ = -1;
};

}  // namespace kov::gemini::test

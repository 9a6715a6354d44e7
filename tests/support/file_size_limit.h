#pragma once

#include <sys/resource.h>

#include <csignal>

namespace kov::test {

// While this lives, a file write fails past its first bytes, even for a privileged user.
class FileSizeLimit {
  public:
    FileSizeLimit() : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &old_);
        const rlimit tiny{16, old_.rlim_max};
        setrlimit(RLIMIT_FSIZE, &tiny);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit old_{};
    void (*handler_)(int);
};

}  // namespace kov::test

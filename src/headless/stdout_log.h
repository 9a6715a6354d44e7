#pragma once

#include <cstdio>
#include <string>

#include "model/operator_log.h"

namespace kov::headless {

// The log keeps CR LF; a terminal, a pipe or a scheduler's capture wants LF.
inline std::string WithLf(const std::string& text) {
    std::string lf;
    lf.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        lf += text[i];
    }
    return lf;
}

// Every log entry to a stream as it is made, so a script or a scheduler sees the run live.
class StdoutLog : public LogView {
  public:
    explicit StdoutLog(std::FILE* out) : out_(out) {}
    void entryAdded(const std::string& entry, const std::string&) override {
        const std::string line = WithLf(entry);
        std::fwrite(line.data(), 1, line.size(), out_);
        std::fflush(out_);
    }

  private:
    std::FILE* out_;
};

}  // namespace kov::headless

#include "station/safe_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#include "station/automation_error.h"

namespace kov {

namespace {

constexpr std::int32_t kErrFileAccess = 75;  // path/file access error

std::filesystem::path TemporaryBeside(const std::filesystem::path& target) {
    std::random_device seed;
    std::mt19937 random(seed());
    std::filesystem::path temp = target;
    temp += ".tmp" + std::to_string(random() % 1000000);
    return temp;
}

}  // namespace

void WriteFileReplacing(const std::string& path, const std::string& bytes) {
    const std::filesystem::path target(path);
    const std::filesystem::path temp = TemporaryBeside(target);
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            throw AutomationError(kErrFileAccess,
                                  "Cannot create " + temp.string() + ": " + std::strerror(errno));
        }
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            const std::string reason = std::strerror(errno);
            out.close();
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            throw AutomationError(kErrFileAccess, "Cannot write " + path + ": " + reason);
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        throw AutomationError(kErrFileAccess, "Cannot replace " + path + ": " + ec.message());
    }
}

}  // namespace kov

#include "station/safe_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "station/automation_error.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace kov {

namespace fs = std::filesystem;

namespace {

constexpr std::int32_t kErrFileAccess = 75;  // path/file access error

#ifdef _WIN32

using NativeFile = HANDLE;
const NativeFile kNoFile = INVALID_HANDLE_VALUE;

std::error_code LastError() {
    return std::error_code(static_cast<int>(GetLastError()), std::system_category());
}

std::error_code CreateExclusive(const fs::path& temp, NativeFile& file) {
    file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file != kNoFile) {
        return {};
    }
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) {
        return std::make_error_code(std::errc::file_exists);
    }
    return std::error_code(static_cast<int>(code), std::system_category());
}

std::error_code WriteAll(NativeFile file, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr)) {
            return LastError();
        }
        done += written;
    }
    return {};
}

std::error_code SyncFile(NativeFile file) {
    return FlushFileBuffers(file) ? std::error_code() : LastError();
}

std::error_code CloseFile(NativeFile file) {
    return CloseHandle(file) ? std::error_code() : LastError();
}

// ReplaceFileW keeps the target's attributes and access list itself.
std::error_code KeepMode(const fs::path&, NativeFile) {
    return {};
}

std::error_code Replace(const fs::path& temp, const fs::path& target) {
    const DWORD attributes = GetFileAttributesW(target.c_str());
    // ReplaceFileW can put the file in a folder's place, taking the folder's contents with it.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::make_error_code(std::errc::is_a_directory);
    }
    const bool replaced = attributes != INVALID_FILE_ATTRIBUTES
                              ? ReplaceFileW(target.c_str(), temp.c_str(), nullptr,
                                             REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                              : MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
    return replaced ? std::error_code() : LastError();
}

// MOVEFILE_WRITE_THROUGH and ReplaceFileW leave nothing of the folder to flush.
std::error_code SyncFolder(const fs::path&) {
    return {};
}

#else

using NativeFile = int;
constexpr NativeFile kNoFile = -1;

std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

std::error_code CreateExclusive(const fs::path& temp, NativeFile& file) {
    file = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    return file == kNoFile ? LastError() : std::error_code();
}

std::error_code WriteAll(NativeFile file, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(file, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LastError();
        }
        done += static_cast<std::size_t>(written);
    }
    return {};
}

std::error_code SyncFile(NativeFile file) {
    return ::fsync(file) == 0 ? std::error_code() : LastError();
}

// A close can report a write the disk refused late (network drives, quotas); the descriptor is
// released either way, so it is never retried.
std::error_code CloseFile(NativeFile file) {
    return ::close(file) == 0 || errno == EINTR ? std::error_code() : LastError();
}

// A log the operator keeps private (0600) must not come back readable by everyone.
std::error_code KeepMode(const fs::path& target, NativeFile file) {
    struct stat existing {};
    if (::stat(target.c_str(), &existing) != 0) {
        return {};  // a new file gets the usual mode
    }
    return ::fchmod(file, existing.st_mode & 07777) == 0 ? std::error_code() : LastError();
}

std::error_code Replace(const fs::path& temp, const fs::path& target) {
    return ::rename(temp.c_str(), target.c_str()) == 0 ? std::error_code() : LastError();
}

// The rename lives in the folder; until the folder reaches the disk, a power cut can bring the
// old file back, or no file at all.
std::error_code SyncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return LastError();
    }
    const std::error_code synced = ::fsync(fd) == 0 ? std::error_code() : LastError();
    ::close(fd);
    return synced;
}

#endif

AutomationError Failure(const std::string& what, std::error_code why, bool targetKept = true) {
    return AutomationError(kErrFileAccess,
                           what + ": " + why.message() +
                               (targetKept ? ". The file was not changed; check the folder and "
                                             "free space, then save again."
                                           : ". The new content may not survive a power failure; "
                                             "save again."));
}

// The file a path finally names: a symlinked point or log file is written where the link
// points, so the link stays a link and its target gets the content.
fs::path FinalTarget(const fs::path& path) {
    fs::path p = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(p, ec))) {
            return p;
        }
        const fs::path next = fs::read_symlink(p, ec);
        if (ec) {
            throw Failure("Cannot follow the link " + path.string(), ec);
        }
        p = next.is_absolute() ? next : p.parent_path() / next;
    }
    throw Failure("Cannot follow the link " + path.string(),
                  std::make_error_code(std::errc::too_many_symbolic_link_levels));
}

// A device or a pipe must never become a regular file by a rename over it, and a folder cannot.
void RefuseNonRegularTarget(const fs::path& target, const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    if (!ec && fs::exists(status) && !fs::is_regular_file(status)) {
        throw AutomationError(kErrFileAccess,
                              "Cannot write " + path +
                                  ": it is not a regular file (a folder, a device or a pipe); "
                                  "nothing was written. Choose a file name and save again.");
    }
}

// Long enough that a name planted in advance is hit only by design, never by chance.
std::string RandomSuffix() {
    std::random_device seed;
    const std::uint64_t value = (static_cast<std::uint64_t>(seed()) << 32) ^ seed();
    char text[24];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

}  // namespace

void WriteFileReplacing(const std::string& path, const std::string& bytes) {
    WriteFileReplacing(path, bytes, nullptr);
}

void WriteFileReplacing(const std::string& path, const std::string& bytes,
                        const DiskStepCheck& check) {
    const std::error_code refused = std::make_error_code(std::errc::io_error);
    const auto allowed = [&](DiskStep step, const fs::path& file) {
        return !check || check(step, file.string());
    };
    const fs::path target = FinalTarget(fs::path(path));
    RefuseNonRegularTarget(target, path);

    NativeFile file = kNoFile;
    fs::path temp;
    std::error_code ec;
    for (int tries = 0; tries < 16; ++tries) {
        temp = target;
        temp += ".tmp" + RandomSuffix();
        ec = allowed(DiskStep::Create, temp) ? CreateExclusive(temp, file) : refused;
        if (ec != std::errc::file_exists) {
            break;
        }
    }
    if (ec) {
        throw Failure("Cannot create " + temp.string(), ec);
    }

    // From here a failure removes the temporary file and leaves the target as it was.
    const auto abandon = [&](const std::string& what, std::error_code why) {
        if (file != kNoFile) {
            CloseFile(file);
        }
        std::error_code ignored;
        fs::remove(temp, ignored);
        return Failure(what, why);
    };
    if ((ec = allowed(DiskStep::Write, temp) ? WriteAll(file, bytes) : refused)) {
        throw abandon("Cannot write " + path, ec);
    }
    if ((ec = KeepMode(target, file))) {
        throw abandon("Cannot keep the permissions of " + path, ec);
    }
    if ((ec = allowed(DiskStep::Sync, temp) ? SyncFile(file) : refused)) {
        throw abandon("Cannot write " + path, ec);
    }
    const bool closeAllowed = allowed(DiskStep::Close, temp);
    ec = CloseFile(file);
    file = kNoFile;
    if (ec || !closeAllowed) {
        throw abandon("Cannot write " + path, ec ? ec : refused);
    }
    if ((ec = allowed(DiskStep::Replace, target) ? Replace(temp, target) : refused)) {
        throw abandon("Cannot replace " + path, ec);
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if ((ec = allowed(DiskStep::SyncFolder, folder) ? SyncFolder(folder) : refused)) {
        throw Failure("Wrote " + path + " but could not flush its folder", ec, false);
    }
}

void CheckWritablePlace(const std::string& path) {
    if (path.empty()) {
        throw AutomationError(kErrFileAccess, "No file name was given: name a file");
    }
    const fs::path target = FinalTarget(fs::path(path));
    RefuseNonRegularTarget(target, path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    NativeFile file = kNoFile;
    fs::path probe;
    std::error_code ec;
    for (int tries = 0; tries < 16; ++tries) {
        probe = folder / (".kov-write-check" + RandomSuffix());
        ec = CreateExclusive(probe, file);
        if (ec != std::errc::file_exists) {
            break;
        }
    }
    if (ec) {
        throw AutomationError(kErrFileAccess, "Cannot write " + path + ": the folder " +
                                                  folder.string() + " does not take new files (" +
                                                  ec.message() +
                                                  "); choose a folder you may write to");
    }
    CloseFile(file);
    fs::remove(probe, ec);
}

void CheckReadableFile(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(fs::path(path), ec);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        throw AutomationError(kErrFileAccess,
                              "Cannot read " + path +
                                  ": it is not a regular file (a folder, a device or a pipe); "
                                  "name a file");
    }
}

}  // namespace kov

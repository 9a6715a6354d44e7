#pragma once

#include <functional>
#include <string>

namespace kov {

// Writes a whole file so that a failure never destroys what was there: the bytes go to a
// temporary file beside the target, created exclusively (a file or link planted at its name is
// never followed), forced to the disk, closed with its result checked, given the target's
// permissions and renamed into place; then the folder is forced to the disk. A path that is a
// symbolic link is written through to the file it names, and the link stays. Throws
// AutomationError with a description the operator can act on when any step fails; the target is
// then untouched (except when only the final folder flush fails, which the description says).
void WriteFileReplacing(const std::string& path, const std::string& bytes);

// Checks, before any work, that a file can later be written at path: an existing target (after
// its links) must be a regular file, not a device, a pipe or a folder, and the folder must take
// a new file (one is created and removed). Throws AutomationError saying what to change.
void CheckWritablePlace(const std::string& path);

// Checks that path (after its links), when it exists, is a regular file before it is opened for
// reading, so a reader never blocks on a pipe or reads a device. Throws AutomationError saying
// what is wrong; a missing file is left to the reader to report.
void CheckReadableFile(const std::string& path);

// The disk steps of that write, in the order they are taken.
enum class DiskStep { Create, Write, Sync, Close, Replace, SyncFolder };

// Asked before each step with the file it concerns; false makes the step fail as a refusing disk
// would. Tests use it to watch the steps and to fail each one in turn.
using DiskStepCheck = std::function<bool(DiskStep step, const std::string& file)>;
void WriteFileReplacing(const std::string& path, const std::string& bytes,
                        const DiskStepCheck& check);

}  // namespace kov

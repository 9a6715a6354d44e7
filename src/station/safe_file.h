#pragma once

#include <string>

namespace kov {

// Writes a whole file so that a failure never destroys what was there: the bytes go to a
// temporary file beside the target, which is then renamed into place. Throws AutomationError
// with a description the operator can act on when any step fails; the target is then untouched.
void WriteFileReplacing(const std::string& path, const std::string& bytes);

}  // namespace kov

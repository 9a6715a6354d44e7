#include "station/automation_error.h"

namespace kov {

AutomationError CannotCreate(const std::string& progId) {
    return AutomationError(kErrCannotCreate, "ActiveX component can't create object: '" + progId +
                                                 "' is not registered");
}

}  // namespace kov

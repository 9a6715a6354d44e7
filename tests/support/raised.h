#pragma once

#include <functional>

#include "station/automation_error.h"

namespace kov::test {

// The automation error a call raises; number 0 and no description when it raises none.
inline AutomationError Raised(const std::function<void()>& call) {
    try {
        call();
    } catch (const AutomationError& e) {
        return e;
    }
    return AutomationError(0, "");
}

inline int ErrorNumber(const std::function<void()>& call) {
    return Raised(call).number();
}

}  // namespace kov::test

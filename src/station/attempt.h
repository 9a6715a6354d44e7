#pragma once

#include <memory>
#include <utility>

#include "station/automation_error.h"

namespace kov {

// Runs one step of a procedure that goes on past failures: an automation error raised by the step
// is recorded in err and the caller carries on with its next step. True when the step completed.
template <class Step>
bool Attempt(ErrorState& err, Step&& step) {
    try {
        std::forward<Step>(step)();
        return true;
    } catch (const AutomationError& failure) {
        err.set(failure);
        return false;
    }
}

// The same for a step whose failure nobody reads afterwards.
template <class Step>
bool Attempt(Step&& step) {
    ErrorState ignored;
    return Attempt(ignored, std::forward<Step>(step));
}

// The object a step calls on; an empty field raises the error automation raises for it, so the
// step fails the way a call on a missing object fails.
template <class T>
T& Require(const std::shared_ptr<T>& object) {
    if (!object) {
        throw AutomationError(kErrObjectRequired, "Object required");
    }
    return *object;
}

}  // namespace kov

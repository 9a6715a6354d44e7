#pragma once

#include <utility>

#include "commands/unexpected_error.h"

namespace kov::qt {

// How many guarded commands have not returned yet: above zero while the window handles events
// from inside one of their waits.
inline int& CommandsUnderWay() {
    static int count = 0;
    return count;
}

// A click on a command: guarded as every command is, and counted while it runs.
template <class Command>
void GuardSlot(Station& st, Command&& command) {
    struct UnderWay {
        UnderWay() { ++CommandsUnderWay(); }
        ~UnderWay() { --CommandsUnderWay(); }
        UnderWay(const UnderWay&) = delete;
        UnderWay& operator=(const UnderWay&) = delete;
    } underWay;
    GuardCommand(st, std::forward<Command>(command));
}

}  // namespace kov::qt

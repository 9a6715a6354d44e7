#pragma once

#include <exception>
#include <string>

#include "station/station.h"

namespace kov::qt {

// How many guarded commands have not returned yet: above zero while the window handles events
// from inside one of their waits.
inline int& CommandsUnderWay() {
    static int count = 0;
    return count;
}

// The boundary between a click and the core. Procedures handle the automation errors they
// expect; anything else that escapes must not end the program in the middle of the night:
// it is logged and shown, and the window goes on.
template <class Command>
void GuardSlot(Station& st, Command&& command) {
    struct UnderWay {
        UnderWay() { ++CommandsUnderWay(); }
        ~UnderWay() { --CommandsUnderWay(); }
        UnderWay(const UnderWay&) = delete;
        UnderWay& operator=(const UnderWay&) = delete;
    } underWay;
    std::string what;
    try {
        command();
        return;
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
        what = "Unknown error";
    }
    st.log.AddLog("Unexpected error: " + what);
    st.ui.messageBox("Unexpected error: " + what +
                         "\r\nThe command was not completed. Check the outside programs and try "
                         "again.",
                     "KOV - ERROR", Buttons::Ok, Icon::Critical);
}

}  // namespace kov::qt

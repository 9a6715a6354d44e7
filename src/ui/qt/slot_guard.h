#pragma once

#include <exception>
#include <string>

#include "station/station.h"

namespace kov::qt {

// The boundary between a click and the core. Procedures handle the automation errors they
// expect; anything else that escapes must not end the program in the middle of the night:
// it is logged and shown, and the window goes on.
template <class Command>
void GuardSlot(Station& st, Command&& command) {
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

#pragma once

#include <exception>
#include <string>

#include "model/station.h"

namespace kov {

// The boundary between an operator's command and the core. Procedures handle the automation
// errors they expect; anything else that escapes must not end the program in the middle of the
// night: it is logged and shown, and the caller goes on. False when the command threw.
template <class Command>
bool GuardCommand(Station& st, Command&& command) {
    std::string what;
    try {
        command();
        return true;
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
    return false;
}

}  // namespace kov

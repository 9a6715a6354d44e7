#include "commands/exit.h"

#include "model/station.h"

namespace kov {

bool ConfirmExitDuringRun(Station& st) {
    if (!st.run.bRunning) {
        return true;
    }
    if (st.ui.messageBox("Do you really want to exit?", "KOV - User Interrupt", Buttons::YesNo,
                         Icon::Question) != Answer::Yes) {
        return false;
    }
    st.run.bStop = true;
    return true;
}

}  // namespace kov

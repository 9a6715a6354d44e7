#include "model/run_state.h"

#include <cmath>

#include "model/station.h"
#include "station/texts.h"

namespace kov {

void BringToFront(Station& st) {
    st.ui.setForeground();
    st.ui.raiseToTop();
}

void KeepOnTop(Station& st) {
    st.ui.keepOnTop();
}

void PromptOnError(Station& st, bool& bErrorOccurred) {
    bErrorOccurred = false;
    if (st.error.number == 0) {
        return;
    }
    BringToFront(st);
    const std::string number = HexNumber(st.error.number);
    const Answer answer =
        st.ui.messageBox("An error has occurred running this script. Error # " + number + " " +
                             st.error.description + kCrLf + kCrLf + "Exit Script?",
                         "", Buttons::YesNo, Icon::Information);
    st.log.AddLog("Error! # " + number + " " + st.error.description);
    if (answer == Answer::Yes) {
        bErrorOccurred = true;
    }
}

double AdjustDeg(double deg) {
    if (!std::isfinite(deg)) {
        return 0.0;
    }
    // fmod first so a huge angle costs one step instead of billions of additions.
    if (std::fabs(deg) >= 1e6) {
        deg = std::fmod(deg, 360.0);
    }
    while (deg < 0.0) {
        deg += 360.0;
    }
    while (deg >= 360.0) {
        deg -= 360.0;
    }
    return deg;
}

}  // namespace kov

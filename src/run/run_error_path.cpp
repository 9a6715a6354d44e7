#include "run/run_error_path.h"

#include "model/run_state.h"
#include "station/texts.h"

namespace kov {

void RunErrorPath::ask() {
    st_.ui.setLabel(Label::Status, "Error!");
    st_.ui.repaint(Label::Status);
    BringToFront(st_);
    const std::string message = "Error occurred: " + step + kCrLf + st_.error.description;
    st_.log.AddLog(message);
    const Answer answer = st_.ui.messageBox(message + kCrLf + "Do you want to continue? ",
                                            "KOV - ERROR", Buttons::YesNoCancel, Icon::Critical);
    if (answer == Answer::Yes) {
        st_.error.clear();
        status("Continuing...", true);
        st_.ui.repaint(Label::Status);
        return;
    }
    incomplete();
}

void RunErrorPath::incomplete() {
    step = kSlewingBack;
    st_.log.AddLog(step);
    status("Modeling run incomplete!", true);
    st_.ui.repaint(Label::Status);
    st_.ui.yield();
    st_.record.end(RunEnding::Incomplete);
    throw LeaveLoop{Leave::Return};
}

void RunErrorPath::yieldOrReturn() {
    st_.ui.yield();
    if (st_.run.bStop) {
        throw LeaveLoop{Leave::Return};
    }
}

void RunErrorPath::status(const std::string& text, bool bLog) {
    st_.ui.setLabel(Label::Status, text);
    if (bLog) {
        st_.log.AddLog(text);
    }
}

}  // namespace kov

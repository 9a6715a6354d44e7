#pragma once

#include <string>
#include <utility>

#include "model/station.h"

namespace kov {

// How the run loop leaves before its last point: thrown from deep inside a pass, caught once.
enum class Leave {
    Return,    // at once, telescope where it is (a stop, or the operator declined after an error)
    EndOfRun,  // through the end of the run: slew back, "Modeling run completed!"
};
struct LeaveLoop {
    Leave how;
};

inline constexpr const char* kSlewingBack = "Slewing to starting position";

// The run's error path: every action of the loop is a guarded step, and an automation error it
// raises is shown with the step in progress and the operator asked whether to go on. On Yes the
// loop goes on with the next action; on No or Cancel the run ends where it stands.
class RunErrorPath {
  public:
    explicit RunErrorPath(Station& st) : st_(st) {}

    // The step in progress, named in the error text.
    std::string step;
    // The last automation error an action raised; a point whose exposure raised is recorded
    // with it.
    ErrorState lastFailure;

    // Runs one action; false when it raised (the operator then said Yes).
    template <class Action>
    bool act(Action&& action) {
        try {
            std::forward<Action>(action)();
            return true;
        } catch (const AutomationError& failure) {
            st_.error.set(failure);
            lastFailure = st_.error;
            ask();
            return false;
        }
    }

    // Shows st.error's description with the step and asks whether to go on.
    void ask();

    // The operator declined to go on: the mount stays where it is, so nothing more moves.
    [[noreturn]] void incomplete();

    // Yields to the window; a stop confirmed meanwhile ends the run where it stands.
    void yieldOrReturn();

    // The Status label, and the log when bLog.
    void status(const std::string& text, bool bLog);

  private:
    Station& st_;
};

}  // namespace kov

#pragma once

#include "model/run_record.h"

namespace kov {

struct Station;

// What one of the four work buttons (START, TEST, One Sync, Add'l Align) says and records; the
// skeleton around the work is the same for all of them.
struct ButtonCommand {
    RunCommand command;
    int pointsAsked;              // for the record's start; the run sets its own count later
    const char* startLine;        // logged once the work is under way (null: none)
    const char* initialStatus;    // the Status label while the outside programs start
    const char* stopRequestLine;  // logged when a stop request is confirmed (null: none)
    bool logStopBeforeRaise;      // the order of that line and the raise of the window
    const char* workDoneLine;     // logged right after the work itself (null: none)
    const char* completedLine;    // logged after the objects are deleted (null: none)
    const char* stoppedLine;      // logged when the work ended on a stop request (null: none)
    // Whether a create or connect failure during which a stop was confirmed ends as stopped
    // (the runs) or only as failed (the single sync and align).
    bool failureHonoursStop;
};

// A click on a work button. While any work is in progress (bRunning) it is a stop request:
// "Do you really want to stop?", and on Yes bStop is set for the work to find at its next check.
// Otherwise it validates the settings and runs the whole command: CreateObjects,
// ConnectObjects, the work, DisconnectObjects, DeleteObjects, with the START caption reading
// "STOP" meanwhile. The running flag, the caption and the stop request are restored on every
// exit, an unexpected error included, so later clicks start work again.
void ClickWorkButton(Station& st, const ButtonCommand& kind, void (*work)(Station&, bool),
                     bool workArgument);

}  // namespace kov

#pragma once

namespace kov {

struct Station;

// The START button (Command1) and the TEST button (TestIt). While any work is in progress
// (bRunning) a click is a stop request: "Do you really want to stop?", and on Yes bStop is set
// for the work to find at its next check. Otherwise the click runs a whole START or TEST run:
// ValidateInput, CreateObjects, ConnectObjects, TargetLoop, DisconnectObjects, DeleteObjects.
//
// Both return when the run has ended; st.record then tells how (RunEnding) and what each point
// gave. A runner without a window calls them the same way: a click nested in one of the run's
// yields (Operator::yield) is a stop request, as in the window. While the run is in progress the
// START caption (Label::Command1) reads "STOP".
void Command1Click(Station& st);
void TestItClick(Station& st);

}  // namespace kov

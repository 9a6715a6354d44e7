#pragma once

namespace kov {

struct Station;

// "Choose" (Command4): the ASCOM chooser picks the driver identifier; the driver is created, not
// connected, and the ScopeName label shows the identifier.
void ChooseTelescope(Station& st);

// "Connect" (Command3): connects the chosen driver once, shows its name in ScopeName, then reads
// the Gemini model terms into the GeminiResult label to show that the controller answers.
void ConnectTelescope(Station& st);

}  // namespace kov

#pragma once

namespace kov {

struct Station;

// One short connection of the ASCOM driver to the Gemini controller, with TheSky's hold on the
// mount released for its span. sync 1 sends (dRA hours, dDec degrees) as a sync, 2 as an
// additional alignment point, 0 sends nothing. Then reads the two model terms in arc minutes:
// true only when both were read. a is written as soon as the first term is read, e only on
// success. Failures inside are not reported, except a driver that cannot be created.
bool GetGeminiResult(Station& st, double& a, double& e, double dRA, double dDec, int sync);

}  // namespace kov

#pragma once

#include <string>

#include "model/run_record.h"
#include "model/sky_position.h"

namespace kov {

struct Station;

// One short connection of the ASCOM driver to the Gemini controller, with TheSky's hold on the
// mount released for its span. sync 1 sends (dRA hours, dDec degrees) as a sync, 2 as an
// additional alignment point, 0 sends nothing. Then reads the two model terms in arc minutes:
// true only when both were read. a is written as soon as the first term is read, e only on
// success. Failures inside are not reported, except a driver that cannot be created.
bool GetGeminiResult(Station& st, double& a, double& e, double dRA, double dDec, int sync);

// The one way the procedures talk to the controller's model: sends `solved` as `sent` (nothing,
// a sync or an alignment point) through GetGeminiResult, then, when both terms were read, shows
// them in GeminiResult, logs them after logPrefix and records them: as the work's start terms
// when nothing was sent, else as the last point's. A point is marked sent before the exchange,
// so the record tells what went out even when no terms came back. True when the terms were read.
bool ShowGeminiTerms(Station& st, SentAs sent, const SkyPosition& solved = {},
                     const std::string& logPrefix = {});

}  // namespace kov

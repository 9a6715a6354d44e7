#pragma once

#include <string>

#include "run/model_view.h"

namespace kov {

// The points of runs as comma-separated values for a spreadsheet: one header row, then one row
// per point. Positions in hours and degrees, errors in arc seconds, terms in arc minutes; what
// was not read is an empty field. Line ends are CRLF, as the spreadsheet programs of the
// observatory's computer expect.
std::string ModelCsvHeader();

// The rows of one run; `run` numbers it among the runs of one file, `command` names it.
std::string ModelCsvRows(int run, const std::string& command, const ModelView& view);

// A file of one run, as the model window saves it.
std::string ModelCsv(const ModelView& view);

}  // namespace kov

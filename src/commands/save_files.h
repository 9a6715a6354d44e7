#pragma once

#include <string>

namespace kov {

class Clock;
class Operator;

// The log window's "Save": writes what the window shows, with a closing line break, to a file
// the operator chooses (proposed "KOVLog_hh-mm-ss.txt"); a failed write keeps the old file and
// says so.
void SaveLogText(Operator& ui, const Clock& clock, const std::string& shown);

// "KOVLog_hh-mm-ss.txt" for the given time of day.
std::string ProposedLogFileName(int hour, int minute, int second);

// The model window's "Save Image" and "Save Data": the bytes to a file the operator chooses
// (proposed "KOVModel_hh-mm-ss.<extension>"); a failed write keeps the old file and names `what`
// was not saved.
void SaveModelFile(Operator& ui, const Clock& clock, const char* title, const char* extension,
                   const char* filter, const std::string& what, const std::string& bytes);

}  // namespace kov

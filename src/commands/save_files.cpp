#include "commands/save_files.h"

#include <cstdio>
#include <optional>

#include "station/automation_error.h"
#include "station/clock.h"
#include "station/operator.h"
#include "station/safe_file.h"
#include "station/texts.h"

namespace kov {

namespace {

// The operator's choice of file, then the safe write; nothing happens on Cancel.
void SaveChosen(Operator& ui, FileDialogRequest request, const std::string& bytes,
                const std::string& failure, const char* failureTitle, Icon failureIcon) {
    const std::optional<std::string> path = ui.saveFileDialog(request);
    if (!path) {
        return;
    }
    try {
        WriteFileReplacing(*path, bytes);
    } catch (const AutomationError& e) {
        ui.messageBox(failure + e.description(), failureTitle, Buttons::Ok, failureIcon);
    }
}

}  // namespace

std::string ProposedLogFileName(int hour, int minute, int second) {
    char name[32];
    std::snprintf(name, sizeof name, "KOVLog_%02d-%02d-%02d.txt", hour % 100, minute % 100,
                  second % 100);
    return name;
}

void SaveLogText(Operator& ui, const Clock& clock, const std::string& shown) {
    const TimeOfDay now = clock.timeOfDay();
    FileDialogRequest request;
    request.title = "Save Log to a File";
    request.proposedName = ProposedLogFileName(now.hour, now.minute, now.second);
    request.defaultExtension = "txt";
    request.filter = "Log files (*.txt;*.log)";
    SaveChosen(ui, request, shown + kCrLf, "Cannot write log file: ", kProgramTitle, Icon::None);
}

void SaveModelFile(Operator& ui, const Clock& clock, const char* title, const char* extension,
                   const char* filter, const std::string& what, const std::string& bytes) {
    const TimeOfDay now = clock.timeOfDay();
    FileDialogRequest request;
    request.title = title;
    char name[40];
    std::snprintf(name, sizeof name, "KOVModel_%02d-%02d-%02d.%s", now.hour, now.minute, now.second,
                  extension);
    request.proposedName = name;
    request.defaultExtension = extension;
    request.filter = filter;
    SaveChosen(ui, request, bytes, "The " + what + " was not saved. ", "KOV - ERROR",
               Icon::Critical);
}

}  // namespace kov

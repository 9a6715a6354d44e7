#include "model/operator_log.h"

#include "station/clock.h"
#include "station/texts.h"

namespace kov {

void OperatorLog::AddLog(const std::string& sTxt) {
    std::string entry = TimeOfDayText(clock_.timeOfDay());
    entry += "  ";
    entry += sTxt;
    entry += kCrLf;
    text_ += entry;
    if (view_ != nullptr) {
        view_->entryAdded(entry, text_);
    }
}

}  // namespace kov

#include "commands/load_save.h"

#include <string>

#include "model/point_file.h"
#include "model/station.h"
#include "station/texts.h"

namespace kov {

namespace {

FileDialogRequest PointFileDialog(const Station& st, const char* title) {
    return FileDialogRequest{title, st.ui.label(Label::FileDisplay), "kov",
                             "Mapping points (*.kov)"};
}

void Tell(Station& st, const std::string& text) {
    st.ui.messageBox(text, kProgramTitle, Buttons::Ok, Icon::None);
}

}  // namespace

void LoadPts(Station& st) {
    const auto name = st.ui.openFileDialog(PointFileDialog(st, "Load Mapping Points"));
    if (!name || name->empty()) {
        return;
    }
    try {
        st.points.replace(ReadPointFile(*name));
    } catch (const AutomationError& failure) {
        Tell(st, "Error: " + failure.description());
        return;
    }
    st.ui.setLabel(Label::FileDisplay, *name);
}

void SavePoints(Station& st) {
    if (st.points.empty()) {
        Tell(st, "No points to save!");
        return;
    }
    const auto name = st.ui.saveFileDialog(PointFileDialog(st, "Save Mapping Points"));
    if (!name || name->empty()) {
        return;
    }
    try {
        WritePointFile(*name, st.points.points());
    } catch (const AutomationError& failure) {
        Tell(st, "Error saving " + *name + kCrLf + failure.description());
        return;
    }
    Tell(st, "Saved " + *name);
    st.ui.setLabel(Label::FileDisplay, *name);
}

}  // namespace kov

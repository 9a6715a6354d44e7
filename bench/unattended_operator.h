// Nobody at the desk: labels are kept so a benchmark can read them back, every question gets
// its first button (Yes or OK), no file is chosen, and the window calls do nothing.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "station/operator.h"

namespace kov::bench {

class Unattended : public Operator {
  public:
    void setLabel(Label which, const std::string& text) override { labels_[which] = text; }
    std::string label(Label which) const override {
        const auto it = labels_.find(which);
        return it == labels_.end() ? std::string() : it->second;
    }
    void repaint(Label) override {}
    Answer messageBox(const std::string&, const std::string&, Buttons buttons, Icon) override {
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? Answer::Yes
                                                                            : Answer::Ok;
    }
    std::optional<std::string> saveFileDialog(const FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::string> openFileDialog(const FileDialogRequest&) override {
        return std::nullopt;
    }
    void yield() override {}
    void setForeground() override {}
    void raiseToTop() override {}
    void keepOnTop() override {}

  private:
    std::map<Label, std::string> labels_;
};

}  // namespace kov::bench

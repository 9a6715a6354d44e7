#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "station/operator.h"

namespace kov::test {

struct RecordedBox {
    std::string text;
    std::string title;
    Buttons buttons;
    Icon icon;
    Answer answer;
};

// An operator who answers from a script and remembers everything the program showed.
class ScriptedOperator : public Operator {
  public:
    // Answers used in order; when they run out a box gets its first button (Ok or Yes).
    std::deque<Answer> answers;
    std::deque<std::optional<std::string>> fileAnswers;  // for both file dialogs

    std::vector<RecordedBox> boxes;
    std::vector<FileDialogRequest> fileDialogs;
    std::vector<std::string> windowCalls;  // "foreground", "raise", "keepOnTop"
    std::map<Label, std::vector<std::string>> labelHistory;
    int yields = 0;
    // Runs at every yield with the yield's number (1 for the first): a test "clicks" here.
    std::function<void(int)> onYield;

    void setLabel(Label which, const std::string& text) override;
    std::string label(Label which) const override;
    void repaint(Label) override {}
    Answer messageBox(const std::string& text, const std::string& title, Buttons buttons,
                      Icon icon) override;
    std::optional<std::string> saveFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> openFileDialog(const FileDialogRequest& request) override;
    void yield() override;
    void setForeground() override { windowCalls.push_back("foreground"); }
    void raiseToTop() override { windowCalls.push_back("raise"); }
    void keepOnTop() override { windowCalls.push_back("keepOnTop"); }

  private:
    std::map<Label, std::string> labels_;
};

}  // namespace kov::test

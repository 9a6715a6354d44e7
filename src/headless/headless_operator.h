#pragma once

#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <string>

#include "station/operator.h"

namespace kov::headless {

// The person at the telescope, for a run without a window. Message boxes are answered from a
// list given in advance and then by their safe default (Cancel where the box has it, else No,
// else OK); each box goes to the error stream as "[TITLE] TEXT -> ANSWER". File dialogs are
// cancelled. Window order does not apply.
//
// A Ctrl+C is acted on at the next yield, where a window would process a click: onInterrupt
// "clicks" STOP, and the "Do you really want to stop?" it asks is answered Yes, since Ctrl+C is
// the confirmation.
class HeadlessOperator : public Operator {
  public:
    HeadlessOperator(std::deque<Answer> answers, bool verbose, std::FILE* out, std::FILE* err);

    // Called at a yield after a Ctrl+C, inside the running work.
    std::function<void()> onInterrupt;

    void setLabel(Label which, const std::string& text) override;
    std::string label(Label which) const override;
    void repaint(Label) override {}
    Answer messageBox(const std::string& text, const std::string& title, Buttons buttons,
                      Icon icon) override;
    std::optional<std::string> saveFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> openFileDialog(const FileDialogRequest& request) override;
    void yield() override;
    void setForeground() override {}
    void raiseToTop() override {}
    void keepOnTop() override {}

    // How many times a label was written, to tell whether a command showed something.
    int writes(Label which) const;

  private:
    std::deque<Answer> answers_;
    bool verbose_;
    std::FILE* out_;
    std::FILE* err_;
    std::map<Label, std::string> labels_;
    std::map<Label, int> writes_;
    bool confirmingStop_ = false;
};

// The safe answer to a box nobody answered: Cancel where it has one, else No, else OK.
Answer SafeDefault(Buttons buttons);
const char* AnswerName(Answer answer);  // "OK", "Cancel", "Yes", "No"

}  // namespace kov::headless

#include "support/scripted_operator.h"

namespace kov::test {

void ScriptedOperator::setLabel(Label which, const std::string& text) {
    labels_[which] = text;
    labelHistory[which].push_back(text);
}

std::string ScriptedOperator::label(Label which) const {
    auto it = labels_.find(which);
    return it == labels_.end() ? std::string() : it->second;
}

Answer ScriptedOperator::messageBox(const std::string& text, const std::string& title,
                                    Buttons buttons, Icon icon) {
    Answer answer =
        (buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel) ? Answer::Yes : Answer::Ok;
    if (!answers.empty()) {
        answer = answers.front();
        answers.pop_front();
    }
    boxes.push_back({text, title, buttons, icon, answer});
    return answer;
}

std::optional<std::string> ScriptedOperator::saveFileDialog(const FileDialogRequest& request) {
    fileDialogs.push_back(request);
    if (fileAnswers.empty()) {
        return std::nullopt;
    }
    auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedOperator::openFileDialog(const FileDialogRequest& request) {
    return saveFileDialog(request);
}

void ScriptedOperator::yield() {
    ++yields;
    if (onYield) {
        onYield(yields);
    }
}

}  // namespace kov::test

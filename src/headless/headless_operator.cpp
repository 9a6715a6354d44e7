#include "headless/headless_operator.h"

#include "headless/interrupt.h"
#include "headless/stdout_log.h"

namespace kov::headless {

namespace {

bool Offers(Buttons buttons, Answer answer) {
    switch (buttons) {
        case Buttons::Ok:
            return answer == Answer::Ok;
        case Buttons::OkCancel:
            return answer == Answer::Ok || answer == Answer::Cancel;
        case Buttons::YesNo:
            return answer == Answer::Yes || answer == Answer::No;
        case Buttons::YesNoCancel:
            return answer != Answer::Ok;
    }
    return false;
}

const char* LabelName(Label which) {
    switch (which) {
        case Label::Status:
            return "Status";
        case Label::GeminiResult:
            return "GeminiResult";
        case Label::ImageNumber:
            return "ImageNumber";
        case Label::FileDisplay:
            return "FileDisplay";
        case Label::Command1:
            return "Command1";
    }
    return "Status";
}

}  // namespace

Answer SafeDefault(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::YesNo:
            return Answer::No;
        case Buttons::OkCancel:
        case Buttons::YesNoCancel:
            return Answer::Cancel;
    }
    return Answer::Cancel;
}

const char* AnswerName(Answer answer) {
    switch (answer) {
        case Answer::Ok:
            return "OK";
        case Answer::Cancel:
            return "Cancel";
        case Answer::Yes:
            return "Yes";
        case Answer::No:
            return "No";
    }
    return "OK";
}

HeadlessOperator::HeadlessOperator(std::deque<Answer> answers, bool verbose, std::FILE* out,
                                   std::FILE* err)
    : answers_(std::move(answers)), verbose_(verbose), out_(out), err_(err) {}

void HeadlessOperator::setLabel(Label which, const std::string& text) {
    ++writes_[which];
    std::string& shown = labels_[which];
    if (shown == text) {
        return;
    }
    // A wait adds a dot to the Status label at every poll; printing the growing line each time
    // filled 11 MB for a short run on a slow mount. Only a change that is more than dots prints.
    const bool onlyDots = text.size() > shown.size() && text.compare(0, shown.size(), shown) == 0 &&
                          text.find_first_not_of('.', shown.size()) == std::string::npos;
    shown = text;
    const bool watched =
        which == Label::Status || which == Label::ImageNumber || which == Label::GeminiResult;
    if (verbose_ && watched && !onlyDots) {
        std::fprintf(out_, "%s: %s\n", LabelName(which), WithLf(text).c_str());
        std::fflush(out_);
    }
}

std::string HeadlessOperator::label(Label which) const {
    const auto it = labels_.find(which);
    return it == labels_.end() ? std::string() : it->second;
}

int HeadlessOperator::writes(Label which) const {
    const auto it = writes_.find(which);
    return it == writes_.end() ? 0 : it->second;
}

Answer HeadlessOperator::messageBox(const std::string& text, const std::string& title,
                                    Buttons buttons, Icon) {
    Answer answer = SafeDefault(buttons);
    if (confirmingStop_ && Offers(buttons, Answer::Yes)) {
        confirmingStop_ = false;
        answer = Answer::Yes;  // Ctrl+C was the confirmation
    } else if (!answers_.empty()) {
        const Answer given = answers_.front();
        answers_.pop_front();
        if (Offers(buttons, given)) {
            answer = given;
        } else {
            std::fprintf(err_, "--answer %s: the next box has no such button; it gets %s\n",
                         AnswerName(given), AnswerName(answer));
        }
    }
    // The text keeps its own line breaks, as LF; the answer ends the last line.
    std::fprintf(err_, "[%s] %s -> %s\n", title.empty() ? kProgramTitle : title.c_str(),
                 WithLf(text).c_str(), AnswerName(answer));
    std::fflush(err_);
    return answer;
}

std::optional<std::string> HeadlessOperator::saveFileDialog(const FileDialogRequest& request) {
    std::fprintf(err_, "[%s] file dialog -> Cancel (no dialogs without a window)\n",
                 request.title.c_str());
    return std::nullopt;
}

std::optional<std::string> HeadlessOperator::openFileDialog(const FileDialogRequest& request) {
    return saveFileDialog(request);
}

void HeadlessOperator::yield() {
    std::fflush(out_);
    if (!InterruptGuard::Take()) {
        return;
    }
    std::fprintf(err_,
                 "Ctrl+C: stopping at the work's next check; press Ctrl+C again to end at once\n");
    std::fflush(err_);
    if (onInterrupt) {
        confirmingStop_ = true;
        onInterrupt();
        confirmingStop_ = false;
    }
}

}  // namespace kov::headless

#pragma once

#include <optional>
#include <string>

namespace kov {

// Labels of the main window that the procedures write to. Command1 is the START button's
// caption, which reads "STOP" while work is in progress.
enum class Label { Status, GeminiResult, ImageNumber, FileDisplay, Command1 };

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Answer { Ok, Cancel, Yes, No };

// The program's title: a message box with no title of its own shows it.
inline constexpr const char* kProgramTitle = "KOV";

struct FileDialogRequest {
    std::string title;
    std::string proposedName;
    std::string defaultExtension;  // without the dot
    std::string filter;            // "Description (*.a;*.b)" entries separated by ";;"
};

// Everything the core asks of the person at the telescope and of the main window.
class Operator {
  public:
    virtual ~Operator() = default;

    virtual void setLabel(Label which, const std::string& text) = 0;
    virtual std::string label(Label which) const = 0;
    // Paint a label now, without waiting for the event loop.
    virtual void repaint(Label which) = 0;

    // Modal message box; an empty title shows the program title.
    virtual Answer messageBox(const std::string& text, const std::string& title, Buttons buttons,
                              Icon icon) = 0;

    // The chosen path, or nothing when the operator cancelled.
    virtual std::optional<std::string> saveFileDialog(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> openFileDialog(const FileDialogRequest& request) = 0;

    // Let the window process pending events (clicks, repaints) and return.
    virtual void yield() = 0;

    // Window order: make the main window the foreground window; put it at the top of the z-order
    // without moving or resizing it; make it topmost for the rest of the program's life.
    virtual void setForeground() = 0;
    virtual void raiseToTop() = 0;
    virtual void keepOnTop() = 0;
};

}  // namespace kov

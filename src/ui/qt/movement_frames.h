#pragma once

#include <QWidget>

#include "model/station.h"

class QBoxLayout;
class QGroupBox;
class QLabel;
class QRadioButton;
class QStackedLayout;

namespace kov::qt {

// The movement area: three frames captioned "Movement Settings" in one place, each with its own
// "Zig-Zag" and "Map Points" buttons (elements of `bZigZag` and `bFractal`), so the pattern can
// be switched whichever frame shows. The horizon-height frame `FrameFractal` only fixes the
// area's place and size; "Zig-Zag" shows `FrameZigZag` there, "Map Points" the list frame.
class MovementFrames : public QWidget {
    Q_OBJECT
  public:
    explicit MovementFrames(Station& st, QWidget* parent = nullptr);

    QLabel* fileDisplay() const { return fileDisplay_; }
    // The list frame's command row under `LV`.
    QBoxLayout* pointListCommands() const { return pointListCommands_; }

  private:
    QGroupBox* buildZigZagFrame();
    QGroupBox* buildHorizonFrame();
    QGroupBox* buildListFrame();
    void showPattern(bool zigZag);

    Station& st_;
    QStackedLayout* stack_ = nullptr;
    QGroupBox* frameZigZag_ = nullptr;
    QGroupBox* frameFractal_ = nullptr;
    QGroupBox* frameList_ = nullptr;
    QRadioButton* bZigZag_[3] = {};
    QRadioButton* bFractal_[3] = {};
    QLabel* fileDisplay_ = nullptr;
    QBoxLayout* pointListCommands_ = nullptr;
};

}  // namespace kov::qt

#include "ui/qt/movement_frames.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QStackedLayout>
#include <QVBoxLayout>

#include "ui/qt/controls.h"
#include "ui/qt/point_list_view.h"

namespace kov::qt {

namespace {

// The two pattern buttons at the top of a movement frame, in the frame's own order.
QHBoxLayout* PatternRow(QWidget* frame, QRadioButton* first, QRadioButton* second) {
    GroupPair(frame, first, second);
    auto* row = new QHBoxLayout;
    row->addWidget(first);
    row->addWidget(second);
    row->addStretch();
    return row;
}

}  // namespace

MovementFrames::MovementFrames(Station& st, QWidget* parent) : QWidget(parent), st_(st) {
    setObjectName(QStringLiteral("MovementArea"));
    stack_ = new QStackedLayout(this);
    stack_->setContentsMargins(0, 0, 0, 0);
    // The horizon-height frame goes in first: it fixes the place and size of the area. The
    // order of the others is the order Tab walks them.
    frameFractal_ = buildHorizonFrame();
    frameZigZag_ = buildZigZagFrame();
    frameList_ = buildListFrame();
    stack_->addWidget(frameFractal_);
    stack_->addWidget(frameZigZag_);
    stack_->addWidget(frameList_);

    // Any of the three "Zig-Zag" or "Map Points" buttons switches the pattern. The field tells
    // its observers only on a change, so selecting the selected pattern runs nothing.
    RunSettings& s = st_.settings;
    for (int i = 0; i < 3; ++i) {
        connect(bZigZag_[i], &QRadioButton::toggled, this, [&s](bool on) {
            if (on) {
                s.bZigZag.set(true);
            }
        });
        connect(bFractal_[i], &QRadioButton::toggled, this, [&s](bool on) {
            if (on) {
                s.bZigZag.set(false);
            }
        });
    }
    showPattern(s.bZigZag());
    s.bZigZag.observe([this](bool zigZag) { showPattern(zigZag); });
}

QGroupBox* MovementFrames::buildZigZagFrame() {
    RunSettings& s = st_.settings;
    auto* frame = Named(new QGroupBox(QStringLiteral("Movement Settings")), "FrameZigZag");
    bZigZag_[0] = Option("bZigZag_0", Caption("bZigZag"));
    bFractal_[0] = Option("bFractal_0", Caption("bFractal"));
    auto* layout = new QVBoxLayout(frame);
    layout->addLayout(PatternRow(frame, bZigZag_[0], bFractal_[0]));

    auto* grid = new QGridLayout;
    for (const char* control :
         {"InitialMoveRA", "MoveInRA", "MoveInDEC", "ReverseRA", "DECMaxRange"}) {
        AddSettingRow(grid, control, s, this, "degrees");
    }
    grid->setColumnStretch(3, 1);
    layout->addLayout(grid);

    // A container of its own keeps West/East apart from the pattern buttons.
    layout->addWidget(new QLabel(QStringLiteral("Start moving in RA towards:")));
    auto* picture = Named(new QWidget, "Picture1");
    auto* west = SettingOption("WestFirst");
    auto* east = SettingOption("EastFirst");
    GroupPair(picture, west, east);
    BindPair(west, east, s.WestFirst, this);
    auto* row = new QHBoxLayout(picture);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(west);
    row->addWidget(east);
    row->addStretch();
    layout->addWidget(picture);
    layout->addStretch();
    return frame;
}

QGroupBox* MovementFrames::buildHorizonFrame() {
    auto* frame = Named(new QGroupBox(QStringLiteral("Movement Settings")), "FrameFractal");
    bFractal_[1] = Option("bFractal_1", Caption("bFractal"));
    bZigZag_[1] = Option("bZigZag_1", Caption("bZigZag"));
    auto* layout = new QVBoxLayout(frame);
    layout->addLayout(PatternRow(frame, bFractal_[1], bZigZag_[1]));
    // No pattern shows this frame, so the horizon heights live in the list frame instead.
    layout->addStretch();
    return frame;
}

QGroupBox* MovementFrames::buildListFrame() {
    RunSettings& s = st_.settings;
    auto* frame = Named(new QGroupBox(QStringLiteral("Movement Settings")), "FrameList");
    bZigZag_[2] = Option("bZigZag_2", Caption("bZigZag"));
    bFractal_[2] = Option("bFractal_2", Caption("bFractal"));
    auto* layout = new QVBoxLayout(frame);
    layout->addLayout(PatternRow(frame, bZigZag_[2], bFractal_[2]));

    auto* points = new PointListView(st_);
    layout->addWidget(points, 1);
    fileDisplay_ = points->fileDisplay();
    pointListCommands_ = points->commands();
    for (const char* name : kHorizonHeights) {
        BindText(points->findChild<QLineEdit*>(QString::fromLatin1(name)),
                 s.*(FindSetting(name)->text), this);
    }
    return frame;
}

void MovementFrames::showPattern(bool zigZag) {
    // Whichever frame shows takes the horizon-height frame's place (the stack gives every page
    // the same rectangle), and all three frames' buttons follow the pattern.
    stack_->setCurrentWidget(zigZag ? frameZigZag_ : frameList_);
    for (QRadioButton* button : zigZag ? bZigZag_ : bFractal_) {
        button->setChecked(true);
    }
}

}  // namespace kov::qt

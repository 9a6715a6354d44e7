#include "ui/qt/camera_frame.h"

#include <QCheckBox>
#include <QComboBox>

#include "ui/qt/controls.h"

namespace kov::qt {

namespace {

Qt::CheckState ToQt(CheckState state) {
    switch (state) {
        case CheckState::Unchecked:
            return Qt::Unchecked;
        case CheckState::Checked:
            return Qt::Checked;
        case CheckState::Grayed:
            return Qt::PartiallyChecked;
    }
    return Qt::Unchecked;
}

CheckState FromQt(Qt::CheckState state) {
    switch (state) {
        case Qt::Unchecked:
            return CheckState::Unchecked;
        case Qt::PartiallyChecked:
            return CheckState::Grayed;
        case Qt::Checked:
            return CheckState::Checked;
    }
    return CheckState::Unchecked;
}

}  // namespace

CameraFrame::CameraFrame(RunSettings& s, QWidget* parent)
    : QGroupBox(QStringLiteral("Camera && Plate Solution Setup"), parent) {
    setObjectName(QStringLiteral("Frame5"));
    auto* grid = new QGridLayout(this);

    auto* ccdSoft = SettingOption("bCCDSoft");
    auto* maxim = SettingOption("bMaxim");
    GroupPair(this, ccdSoft, maxim);
    BindPair(ccdSoft, maxim, s.bCCDSoft, this);
    grid->addWidget(new QLabel(QStringLiteral("Software:")), 0, 0);
    grid->addWidget(ccdSoft, 0, 1);
    grid->addWidget(maxim, 0, 2);

    auto* dark = Named(new QCheckBox(QString::fromLatin1(Caption("bAutoDark"))), "bAutoDark");
    grid->addWidget(dark, 0, 3, 1, 2);
    const auto showDark = [dark](CheckState state) {
        dark->setCheckState(ToQt(state));
        // A stored grayed state shows as such; once the operator clicks, two states again.
        dark->setTristate(state == CheckState::Grayed);
    };
    showDark(s.bAutoDark());
    connect(dark, &QCheckBox::stateChanged, this,
            [&s](int state) { s.bAutoDark.set(FromQt(static_cast<Qt::CheckState>(state))); });
    s.bAutoDark.observe(showDark);

    // Made in reading order, which is the order Tab walks them.
    grid->addWidget(new QLabel(QString::fromLatin1(Caption("PixelScale"))), 1, 0);
    grid->addWidget(SettingTextBox("PixelScale", s, this), 1, 1);
    auto* bin = Named(new QComboBox, "BinMode");
    for (const char* mode : kBinModes) {
        bin->addItem(QString::fromLatin1(mode));
    }
    bin->setCurrentIndex(s.BinMode());
    connect(bin, &QComboBox::currentIndexChanged, this, [&s](int index) {
        if (index >= 0) {
            s.BinMode.set(index);
        }
    });
    s.BinMode.observe([bin](int index) { bin->setCurrentIndex(index); });

    grid->addWidget(new QLabel(QString::fromLatin1(Caption("BinMode"))), 1, 2);
    grid->addWidget(bin, 1, 3);
    grid->addWidget(new QLabel(QString::fromLatin1(Caption("Exposure"))), 2, 0);
    grid->addWidget(SettingTextBox("Exposure", s, this), 2, 1);
    grid->addWidget(new QLabel(QString::fromLatin1(Caption("Delay"))), 2, 2);
    grid->addWidget(SettingTextBox("Delay", s, this), 2, 3);
    grid->setColumnStretch(5, 1);
}

}  // namespace kov::qt

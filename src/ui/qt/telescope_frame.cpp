#include "ui/qt/telescope_frame.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "commands/choose_connect.h"
#include "ui/qt/controls.h"
#include "ui/qt/slot_guard.h"

namespace kov::qt {

TelescopeFrame::TelescopeFrame(Station& st, QWidget* parent)
    : QGroupBox(QStringLiteral("Telescope"), parent) {
    setObjectName(QStringLiteral("Frame3"));
    RunSettings& s = st.settings;
    auto* layout = new QVBoxLayout(this);
    auto* sky5 = SettingOption("OptionSky5");
    auto* sky6 = SettingOption("OptionSky6");
    GroupPair(this, sky5, sky6);
    BindPair(sky5, sky6, s.OptionSky5, this);
    layout->addWidget(sky5);
    layout->addWidget(sky6);

    auto* scopeName = Named(new QLabel(Q(s.ScopeName())), "ScopeName");
    scopeName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    s.ScopeName.observe([scopeName](const std::string& name) { scopeName->setText(Q(name)); });
    layout->addWidget(scopeName);

    commands_ = new QHBoxLayout;
    auto* choose = Named(new QPushButton(QStringLiteral("Choose")), "Command4");
    connect(choose, &QPushButton::clicked, this,
            [&st] { GuardSlot(st, [&st] { ChooseTelescope(st); }); });
    commands_->addWidget(choose);
    auto* connectButton = Named(new QPushButton(QStringLiteral("Connect")), "Command3");
    connect(connectButton, &QPushButton::clicked, this,
            [&st] { GuardSlot(st, [&st] { ConnectTelescope(st); }); });
    commands_->addWidget(connectButton);
    layout->addLayout(commands_);
}

}  // namespace kov::qt

#include "ui/qt/run_buttons.h"

#include <QHBoxLayout>
#include <QPushButton>

#include "commands/one_sync_addl_align.h"
#include "commands/start_stop_test.h"
#include "ui/qt/slot_guard.h"

namespace kov::qt {

RunButtons::RunButtons(Station& st, QWidget* parent) : QWidget(parent), st_(st) {
    setObjectName(QStringLiteral("RunButtons"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    const auto button = [&](const char* name, const char* caption, void (*command)(Station&)) {
        auto* b = new QPushButton(QString::fromLatin1(caption));
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this,
                [this, command] { GuardSlot(st_, [this, command] { command(st_); }); });
        row->addWidget(b);
        return b;
    };
    command1_ = button("Command1", "START", &Command1Click);
    button("TestIt", "TEST", &TestItClick);
    button("DoSync", "One Sync", &DoSyncClick);
    button("AddlAlign", "Add'l Align", &AddlAlignClick);
}

void RunButtons::setStartCaption(const std::string& caption) {
    command1_->setText(QString::fromStdString(caption));
}

std::string RunButtons::startCaption() const {
    return command1_->text().toStdString();
}

}  // namespace kov::qt

#include "ui/qt/mapping_frame.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QRegularExpression>

#include "ui/qt/controls.h"

namespace kov::qt {

MappingFrame::MappingFrame(Station& st, QWidget* parent)
    : QGroupBox(QStringLiteral("Mapping Configuration"), parent) {
    setObjectName(QStringLiteral("Frame1"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QString::fromLatin1(Caption("NumberOfAligns"))), 0, 0);
    grid->addWidget(SettingTextBox("NumberOfAligns", st.settings, this), 0, 1);
    imageNumber_ = Named(new QLabel, "ImageNumber");
    grid->addWidget(imageNumber_, 1, 0, 1, 2);
    progress_ = Named(new QProgressBar, "RunProgress");
    progress_->setFormat(QStringLiteral("Image %v of %m"));
    progress_->setRange(0, 1);
    progress_->setValue(0);
    progress_->hide();
    grid->addWidget(progress_, 1, 2);
    grid->setColumnStretch(2, 1);

    // The bar lives as long as a piece of work: it appears when work begins and goes when the
    // work has ended, whatever the ending.
    st.record.observe([bar = QPointer<QProgressBar>(progress_)](const RunRecord& record,
                                                                RecordChange change, std::size_t) {
        if (!bar) {
            return;
        }
        if (change == RecordChange::Begun) {
            bar->setRange(0, std::max(1, record.pointsAsked));
            bar->setValue(0);
            bar->show();
        } else if (change == RecordChange::Ended) {
            bar->hide();
        }
    });
}

void MappingFrame::showImageNumber(const std::string& text) {
    static const QRegularExpression counter(QStringLiteral("^Image (\\d+)/(\\d+)$"));
    const QRegularExpressionMatch m = counter.match(Q(text));
    if (!m.hasMatch()) {
        return;
    }
    const int total = m.captured(2).toInt();
    const int image = m.captured(1).toInt();
    if (total > 0) {
        progress_->setRange(0, total);
        progress_->setValue(std::min(image, total));
    }
}

}  // namespace kov::qt

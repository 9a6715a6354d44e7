#include "ui/qt/model_charts.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include "station/automation_error.h"
#include "station/safe_file.h"
#include "ui/qt/error_scatter.h"
#include "ui/qt/sky_chart.h"
#include "ui/qt/term_history.h"

namespace kov::qt {

namespace {
constexpr std::int32_t kErrFileAccess = 75;  // path/file access error
}  // namespace

ModelCharts::ModelCharts(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ModelCharts"));
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    caption_ = new QLabel;
    caption_->setObjectName(QStringLiteral("RunCaption"));
    QFont large = caption_->font();
    large.setPointSize(large.pointSize() + 2);
    caption_->setFont(large);
    layout->addWidget(caption_);
    auto* row = new QHBoxLayout;
    sky_ = new SkyChart;
    errors_ = new ErrorScatter;
    terms_ = new TermHistory;
    errors_->setMinimumSize(340, 320);
    terms_->setMinimumSize(400, 320);
    row->addWidget(sky_, 4);
    row->addWidget(errors_, 4);
    row->addWidget(terms_, 5);
    layout->addLayout(row, 1);
    setData(ModelView{}, SkyBackdrop{});
}

void ModelCharts::setData(const ModelView& view, const SkyBackdrop& backdrop) {
    caption_->setText(RunCaption(view));
    sky_->setData(view, backdrop);
    errors_->setData(view);
    terms_->setData(view);
}

QByteArray ModelCharts::png() {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    grab().save(&buffer, "PNG");
    return bytes;
}

QString RunCaption(const ModelView& view) {
    if (view.points.empty() && view.ending == RunEnding::Running && view.pointsAsked == 0) {
        return QStringLiteral("No run yet: the charts follow the next START or TEST.");
    }
    return QStringLiteral("%1, %2: %3 of %4 points solved, %5 failed, %6 sent to the controller")
        .arg(QString::fromLatin1(RunCommandName(view.command)),
             QString::fromLatin1(RunEndingName(view.ending)))
        .arg(view.count(PointOutcome::Solved) + view.count(PointOutcome::Sent))
        .arg(view.pointsAsked)
        .arg(view.count(PointOutcome::Failed))
        .arg(view.count(PointOutcome::Sent));
}

void WriteModelPlot(const std::string& path, const ModelView& view, const SkyBackdrop& backdrop) {
    ModelCharts charts;
    charts.setAttribute(Qt::WA_DontShowOnScreen);
    charts.resize(1280, 480);
    charts.setData(view, backdrop);
    charts.show();  // lays the charts out; nothing reaches a screen
    // The charts lay out their axes and legends in posted events.
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
    const QByteArray bytes = charts.png();
    if (bytes.isEmpty()) {
        throw AutomationError(kErrFileAccess, "Cannot draw the charts for " + path +
                                                  ": the image could not be made. The file was "
                                                  "not written.");
    }
    WriteFileReplacing(path, bytes.toStdString());
}

}  // namespace kov::qt

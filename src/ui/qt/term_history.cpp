#include "ui/qt/term_history.h"

#include <QAreaSeries>
#include <QChart>
#include <QLegendMarker>
#include <QLineSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace kov::qt {

namespace {

const QColor kAzColor(40, 90, 200);
const QColor kElColor(200, 90, 30);

// The band's edges, a little wider than the readings so a settled term still shows a strip.
void SetBand(QLineSeries* const (&band)[2], const std::optional<TermBand>& b, double pad) {
    if (!b) {
        band[0]->clear();
        band[1]->clear();
        return;
    }
    band[0]->replace({QPointF(b->firstAlignment - 0.2, b->high + pad),
                      QPointF(b->lastAlignment + 0.2, b->high + pad)});
    band[1]->replace({QPointF(b->firstAlignment - 0.2, b->low - pad),
                      QPointF(b->lastAlignment + 0.2, b->low - pad)});
}

}  // namespace

TermHistory::TermHistory(QWidget* parent) : QChartView(parent) {
    setObjectName(QStringLiteral("TermHistory"));
    setRenderHint(QPainter::Antialiasing);
    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("Model terms after each alignment point"));
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    x_ = new QValueAxis;
    y_ = new QValueAxis;
    x_->setTitleText(QStringLiteral("alignment point"));
    x_->setLabelFormat(QStringLiteral("%d"));
    y_->setTitleText(QStringLiteral("arcmin"));
    y_->setLabelFormat(QStringLiteral("%g"));
    y_->setTickType(QValueAxis::TicksDynamic);
    y_->setTickAnchor(0.0);
    chart->addAxis(x_, Qt::AlignBottom);
    chart->addAxis(y_, Qt::AlignLeft);

    const auto addBand = [&](QLineSeries*(&band)[2], const QColor& color, const QString& name) {
        // An area series does not own its edges: the view does, and outlives the chart.
        band[0] = new QLineSeries(this);
        band[1] = new QLineSeries(this);
        auto* area = new QAreaSeries(band[0], band[1]);
        QColor fill = color;
        fill.setAlpha(50);
        area->setBrush(fill);
        area->setPen(Qt::NoPen);
        area->setName(name);
        chart->addSeries(area);
        area->attachAxis(x_);
        area->attachAxis(y_);
    };
    addBand(azBand_, kAzColor, QStringLiteral("Az, last 3"));
    addBand(elBand_, kElColor, QStringLiteral("El, last 3"));
    const auto addLine = [&](const QColor& color, const QString& name) {
        auto* line = new QLineSeries;
        line->setName(name);
        line->setPen(QPen(color, 2));
        line->setPointsVisible(true);
        chart->addSeries(line);
        line->attachAxis(x_);
        line->attachAxis(y_);
        return line;
    };
    az_ = addLine(kAzColor, QStringLiteral("Az Err"));
    el_ = addLine(kElColor, QStringLiteral("El Err"));
    setChart(chart);
    setData(ModelView{});
}

void TermHistory::setData(const ModelView& view) {
    QList<QPointF> az;
    QList<QPointF> el;
    for (const TermReading& r : view.history) {
        az << QPointF(r.alignment, r.terms.a);
        el << QPointF(r.alignment, r.terms.e);
    }
    if (az == az_->points() && el == el_->points() && shown_) {
        return;  // nothing new: the chart is not redrawn
    }
    shown_ = true;
    // A TEST run, a sync or a run still at its first point has nothing to draw: say why.
    chart()->setTitle(view.history.empty()
                          ? QStringLiteral("Model terms: no alignment point in this run")
                          : QStringLiteral("Model terms after each alignment point"));
    az_->replace(az);
    el_->replace(el);
    const int last = std::max(2, static_cast<int>(view.history.size()));
    x_->setRange(0.5, last + 0.5);
    x_->setTickCount(std::min(last, 10) + 1);
    x_->setTickType(QValueAxis::TicksDynamic);
    x_->setTickAnchor(1.0);
    x_->setTickInterval(std::max(1.0, std::ceil(last / 10.0)));
    const TermScale scale = TermChartScale(view.history);
    SetBand(azBand_, view.azBand, scale.span * 0.01);
    SetBand(elBand_, view.elBand, scale.span * 0.01);
    y_->setTickInterval(scale.step);
    y_->setRange(scale.bottom, scale.top);
}

int TermHistory::readingCount() const {
    return static_cast<int>(az_->count());
}

}  // namespace kov::qt

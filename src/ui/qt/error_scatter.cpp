#include "ui/qt/error_scatter.h"

#include <QChart>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>
#include <cmath>

namespace kov::qt {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRings[] = {30.0, 60.0};

QLineSeries* Ring(double radius) {
    auto* ring = new QLineSeries;
    for (int deg = 0; deg <= 360; deg += 6) {
        ring->append(radius * std::cos(deg * kPi / 180.0), radius * std::sin(deg * kPi / 180.0));
    }
    ring->setPen(QPen(QColor(150, 150, 150), 1, Qt::DashLine));
    ring->setName(QStringLiteral("%1\"").arg(radius));
    return ring;
}

}  // namespace

double ErrorRange(double largest) {
    for (double step : {90.0, 180.0, 300.0, 600.0, 1200.0, 1800.0, 3600.0}) {
        if (largest * 1.1 <= step) {
            return step;
        }
    }
    return std::ceil(largest * 1.1 / 3600.0) * 3600.0;
}

ErrorScatter::ErrorScatter(QWidget* parent) : QChartView(parent) {
    setObjectName(QStringLiteral("ErrorScatter"));
    setRenderHint(QPainter::Antialiasing);
    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    x_ = new QValueAxis;
    y_ = new QValueAxis;
    x_->setTitleText(QStringLiteral("RA·cos(Dec), arcsec"));
    y_->setTitleText(QStringLiteral("Dec, arcsec"));
    for (QValueAxis* axis : {x_, y_}) {
        axis->setLabelFormat(QStringLiteral("%.0f"));
        axis->setTickType(QValueAxis::TicksDynamic);
        axis->setTickAnchor(0.0);
        chart->addAxis(axis, axis == x_ ? Qt::AlignBottom : Qt::AlignLeft);
    }
    for (double radius : kRings) {
        QLineSeries* ring = Ring(radius);
        chart->addSeries(ring);
        ring->attachAxis(x_);
        ring->attachAxis(y_);
    }
    points_ = new QScatterSeries;
    points_->setName(QStringLiteral("solved points"));
    points_->setMarkerSize(9);
    points_->setColor(QColor(30, 150, 60));
    points_->setBorderColor(QColor(20, 90, 40));
    chart->addSeries(points_);
    points_->attachAxis(x_);
    points_->attachAxis(y_);
    setChart(chart);
    // Equal arc seconds across and up, so the rings stay round whatever the window's shape.
    connect(chart, &QChart::plotAreaChanged, this, [this] { fitAxes(); });
    setData(ModelView{});
}

void ErrorScatter::fitAxes() {
    const QRectF area = chart()->plotArea();
    // A new range relabels the axes, which moves the plot area again, from inside setRange:
    // that move is the fit's own and is not fitted again.
    if (bFitting_ || range_ <= 0.0 || area.width() < 1.0 || area.height() < 1.0) {
        return;
    }
    const double wide = area.width() / area.height();
    const double xRange = range_ * std::max(1.0, wide);
    const double yRange = range_ * std::max(1.0, 1.0 / wide);
    // Changing a range can move the plot area a pixel; a small difference is left alone, so
    // the two never chase each other.
    if (std::fabs(x_->max() - xRange) > range_ * 0.01 ||
        std::fabs(y_->max() - yRange) > range_ * 0.01) {
        bFitting_ = true;
        x_->setRange(-xRange, xRange);
        y_->setRange(-yRange, yRange);
        bFitting_ = false;
    }
}

void ErrorScatter::setData(const ModelView& view) {
    QList<QPointF> errors;
    double largest = 0.0;
    for (const ModelViewPoint& p : view.points) {
        if (p.error) {
            errors << QPointF(p.error->ra, p.error->dec);
            largest = std::max({largest, std::fabs(p.error->ra), std::fabs(p.error->dec)});
        }
    }
    // Most changes of a run leave the errors as they were; a chart redrawn for nothing would
    // cost the window a frame.
    if (errors == points_->points() && range_ != 0.0) {
        return;
    }
    // Map Points runs have no targets in right ascension and declination to miss.
    chart()->setTitle(errors.isEmpty()
                          ? QStringLiteral("Pointing error: no point with a target in this run")
                          : QStringLiteral("Pointing error (solved − target)"));
    points_->replace(errors);
    const double range = ErrorRange(largest);
    if (range != range_) {
        range_ = range;
        // Ticks at round thirds of the range (30" for 90"), from zero out.
        x_->setTickInterval(range / 3.0);
        y_->setTickInterval(range / 3.0);
        x_->setRange(-range, range);
        y_->setRange(-range, range);
        fitAxes();
    }
}

int ErrorScatter::pointCount() const {
    return static_cast<int>(points_->count());
}

}  // namespace kov::qt

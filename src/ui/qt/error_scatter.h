#pragma once

#include <QChartView>

#include "run/model_view.h"

class QScatterSeries;
class QLineSeries;
class QValueAxis;

namespace kov::qt {

// Pointing error of each solved point that had a target, arc seconds, around zero, with rings
// at 30" and 60". The axes step through fixed ranges, so a model that tightens the scatter
// shows as points drawing in towards the rings rather than as a chart that rescales to look
// the same.
class ErrorScatter : public QChartView {
    Q_OBJECT
  public:
    explicit ErrorScatter(QWidget* parent = nullptr);

    void setData(const ModelView& view);
    int pointCount() const;
    // The shorter axis runs from -range to +range, the longer as far as equal scales take it.
    double range() const { return range_; }

  private:
    void fitAxes();

    QScatterSeries* points_ = nullptr;  // owned by the chart
    QValueAxis* x_ = nullptr;
    QValueAxis* y_ = nullptr;
    double range_ = 0.0;
    bool bFitting_ = false;
};

// The axis half-width that holds an error of `largest` arc seconds with a margin: 90" at least,
// then steps an operator reads at a glance.
double ErrorRange(double largest);

}  // namespace kov::qt

#pragma once

#include <QChartView>

#include "run/model_view.h"

class QLineSeries;
class QValueAxis;

namespace kov::qt {

// The controller's two terms after each alignment point, arc minutes, as two lines; each with a
// band over its last three readings, narrow once the term has settled.
class TermHistory : public QChartView {
    Q_OBJECT
  public:
    explicit TermHistory(QWidget* parent = nullptr);

    void setData(const ModelView& view);
    int readingCount() const;

  private:
    QLineSeries* az_ = nullptr;  // owned by the chart
    QLineSeries* el_ = nullptr;
    QLineSeries* azBand_[2] = {nullptr, nullptr};  // upper, lower; owned by this view
    QLineSeries* elBand_[2] = {nullptr, nullptr};
    QValueAxis* x_ = nullptr;
    QValueAxis* y_ = nullptr;
    bool shown_ = false;  // setData has drawn once
};

}  // namespace kov::qt

#pragma once

#include <QWidget>

#include "run/model_view.h"

namespace kov::qt {

// The run's points on the local sky, as seen from below: zenith in the middle, the horizon the
// outer circle, north up and east left. Targets are rings, solved points filled discs, failed
// points crosses, the point in progress has a wider ring; in Map Points the horizon heights
// shade the sky they hide and the list points are small squares. Painted straight from the
// view, so a repaint costs a few dozen shapes however long the run.
class SkyChart : public QWidget {
    Q_OBJECT
  public:
    explicit SkyChart(QWidget* parent = nullptr);

    void setData(const ModelView& view, const SkyBackdrop& backdrop);
    // The run's points the chart places, by outcome (points the mount gave no position for are
    // left out).
    int placed(PointOutcome outcome) const;

    QSize sizeHint() const override { return {360, 380}; }
    QSize minimumSizeHint() const override { return {260, 280}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    ModelView view_;
    SkyBackdrop backdrop_;
};

}  // namespace kov::qt

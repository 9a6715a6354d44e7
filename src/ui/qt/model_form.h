#pragma once

#include <QMainWindow>
#include <QTimer>

namespace kov {
struct Station;
}

namespace kov::qt {

class ModelCharts;

// The model window "KOV Model": the sky chart, the pointing errors and the term history of the
// current run, or of the last one once it has ended, with "Save Image..." and "Save Data..." in
// its menu bar. It follows the run through the run record; changes are gathered and drawn a
// moment later, so a burst of them during a run costs one repaint.
class ModelForm : public QMainWindow {
    Q_OBJECT
  public:
    // Shows the station's record as it stands. Dialogs and boxes go through the station's
    // operator.
    explicit ModelForm(Station& st, QWidget* parent = nullptr);

    // The record changed: redraw soon.
    void recordChanged();
    // Redraw now from the record.
    void refresh();

    ModelCharts* charts() const { return charts_; }

    void SaveImage();
    void SaveData();

  private:
    Station& st_;
    ModelCharts* charts_ = nullptr;  // owned by the window
    QTimer redraw_;
};

}  // namespace kov::qt

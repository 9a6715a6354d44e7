#pragma once

#include <QByteArray>
#include <QWidget>

#include "run/model_view.h"

class QLabel;

namespace kov::qt {

class ErrorScatter;
class SkyChart;
class TermHistory;

// The three charts of a run side by side, with one line that names the run: the model window
// shows them, and the headless runner draws them into a file.
class ModelCharts : public QWidget {
    Q_OBJECT
  public:
    explicit ModelCharts(QWidget* parent = nullptr);

    void setData(const ModelView& view, const SkyBackdrop& backdrop);

    SkyChart* sky() const { return sky_; }
    ErrorScatter* errors() const { return errors_; }
    TermHistory* terms() const { return terms_; }

    // The charts as they are drawn now, as PNG bytes.
    QByteArray png();

  private:
    QLabel* caption_ = nullptr;
    SkyChart* sky_ = nullptr;
    ErrorScatter* errors_ = nullptr;
    TermHistory* terms_ = nullptr;
};

// One line about the run: command, ending and the count of points by outcome.
QString RunCaption(const ModelView& view);

// Draws the charts off the screen at a fixed size and writes them through the safe file writer;
// throws AutomationError naming the file. Needs a QApplication.
void WriteModelPlot(const std::string& path, const ModelView& view, const SkyBackdrop& backdrop);

}  // namespace kov::qt

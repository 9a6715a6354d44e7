#pragma once

#include <QGroupBox>
#include <string>

#include "model/station.h"

class QLabel;
class QProgressBar;

namespace kov::qt {

// `Frame1` "Mapping Configuration": the number of points `NumberOfAligns`, the image counter
// `ImageNumber` of a run and, beside it, a progress bar "Image n of N" that shows only while
// work is in progress.
class MappingFrame : public QGroupBox {
    Q_OBJECT
  public:
    explicit MappingFrame(Station& st, QWidget* parent = nullptr);

    QLabel* imageNumber() const { return imageNumber_; }
    // The counter's new text ("Image n/N"): the bar moves with it.
    void showImageNumber(const std::string& text);

  private:
    QLabel* imageNumber_ = nullptr;
    QProgressBar* progress_ = nullptr;
};

}  // namespace kov::qt

#pragma once

#include <QGroupBox>

#include "model/station.h"

namespace kov::qt {

// `Frame5` "Camera & Plate Solution Setup": the camera program, auto-dark, pixel scale, bin mode,
// exposure and the delay between points, each bound to its setting.
class CameraFrame : public QGroupBox {
    Q_OBJECT
  public:
    explicit CameraFrame(RunSettings& settings, QWidget* parent = nullptr);
};

}  // namespace kov::qt

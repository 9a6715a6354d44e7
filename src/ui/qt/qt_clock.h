#pragma once

#include <QElapsedTimer>

#include "station/clock.h"

namespace kov::qt {

// Real time for the window. Sleeping runs a local event loop, so clicks and repaints go on while
// a procedure waits for the mount or the camera.
class QtClock : public Clock {
  public:
    QtClock();

    void sleep(std::uint32_t ms) override;
    std::uint32_t ticks() const override;
    TimeOfDay timeOfDay() const override;
    double epochSeconds() const override;

  private:
    QElapsedTimer started_;
};

}  // namespace kov::qt

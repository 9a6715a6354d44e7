#pragma once

#include <QElapsedTimer>

#include "station/clock.h"

namespace kov::qt {

// Real time for the window. Sleeping runs a local event loop, so clicks and repaints go on while
// a procedure waits for the mount or the camera.
//
// A time factor above 1 runs the program's time faster than the wall clock (a night on the
// simulated observatory in minutes): ticks and time of day advance that many times faster and
// a sleep lasts that many times shorter. The window's own event loop is never sped up.
class QtClock : public Clock {
  public:
    explicit QtClock(double timeFactor = 1.0);
    void sleep(std::uint32_t ms) override;
    std::uint32_t ticks() const override;
    TimeOfDay timeOfDay() const override;
    double epochSeconds() const override;

  private:
    double scaledMs() const;

    double factor_;
    double startEpochMs_;
    QElapsedTimer started_;
};

}  // namespace kov::qt

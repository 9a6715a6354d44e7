#pragma once

#include <string>
#include <vector>

#include "sim/observatory.h"
#include "win/served_object.h"

namespace kov::win::test {

// The simulated observatory's programs served as COM automation objects in this process, under
// their real programmatic identifiers, so that WinObjectFactory and Dispatch reach them as they
// reach the real programs. Each member forwards to the simulator's object of the same kind.
// The identifiers are registered for the object's lifetime; the calling thread must be in an
// apartment for as long.
class ServedObservatory {
  public:
    explicit ServedObservatory(sim::Observatory& sim);
    ~ServedObservatory();
    ServedObservatory(const ServedObservatory&) = delete;
    ServedObservatory& operator=(const ServedObservatory&) = delete;

    // References others still hold on the class factories and every object served.
    long held() const;

  private:
    class Factory;
    std::vector<std::unique_ptr<Factory>> factories_;
};

}  // namespace kov::win::test

#pragma once

#include "station/desktop.h"
#include "station/object_factory.h"

namespace kov {

// The outside programs a Station drives, with the desktop they run on: the simulated
// observatory, or on Windows the real programs.
class Programs {
  public:
    virtual ~Programs() = default;
    virtual ObjectFactory& factory() = 0;
    virtual Desktop& desktop() = 0;
};

}  // namespace kov

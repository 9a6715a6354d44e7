#include "mount/wait_for_slew.h"

#include <string>

#include "model/station.h"
#include "station/wait_bounds.h"

namespace kov {

void WaitForSlew(Station& st, SkyTelescope& telescope) {
    const WaitBound bound(st.clock, SlewLimitMs(180.0));
    while (telescope.IsSlewComplete() == 0) {
        if (bound.expired()) {
            throw AutomationError(kErrTimedOut, "The mount did not finish its slew within " +
                                                    std::to_string(bound.limitSeconds()) +
                                                    " seconds: check the mount and its connection");
        }
        st.ui.yield();
        st.clock.sleep(500);
        st.ui.setLabel(Label::Status, st.ui.label(Label::Status) + ".");
    }
}

}  // namespace kov

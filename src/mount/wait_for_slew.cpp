#include "mount/wait_for_slew.h"

#include "model/station.h"

namespace kov {

void WaitForSlew(Station& st, SkyTelescope& telescope) {
    while (telescope.IsSlewComplete() == 0) {
        st.ui.yield();
        st.clock.sleep(500);
        st.ui.setLabel(Label::Status, st.ui.label(Label::Status) + ".");
    }
}

}  // namespace kov

#include "commands/slew_to_point.h"

#include <memory>
#include <string>

#include "model/station.h"
#include "mount/move_to_list_point.h"
#include "mount/telescope_ready.h"
#include "mount/wait_for_slew.h"
#include "station/attempt.h"

namespace kov {

void SlewToSelectedPoint(Station& st) {
    const auto row = st.points.selectedItem();
    if (!row) {
        return;
    }
    const MappingPoint point = st.points.at(*row);
    if (st.ui.messageBox("Slew to point: " + point.alt + ", " + point.az + "?", "Slew to Point",
                         Buttons::YesNoCancel, Icon::Question) != Answer::Yes) {
        return;
    }
    try {
        if (!MakeTelescopeReady(st, ConnectWait::Polled)) {
            return;
        }
        const std::shared_ptr<DriverUtil> util = st.objects.createDriverUtil(progid::kUtil);
        const double alt = Require(util).DMSToDegrees(point.alt);
        const double az = util->DMSToDegrees(point.az);
        CheckAltAzSlew(alt, az, point.alt + ", " + point.az);

        const std::shared_ptr<SkyTelescope> telescope = st.devices.telescope;
        Require(telescope).SetAsynchronous(true);
        st.ui.setLabel(Label::Status, "Slewing to Alt=" + point.alt + " Az=" + point.az);
        st.log.AddLog(st.ui.label(Label::Status));
        st.ui.repaint(Label::Status);
        st.ui.yield();
        telescope->SlewToAzAlt(az, alt, "KovSkyMapper");
        WaitForSlew(st, *telescope);
        telescope->SetAsynchronous(false);
        if (!st.run.bStop) {
            st.ui.setLabel(Label::Status, "Done");
            st.log.AddLog("Done");
            st.ui.repaint(Label::Status);
        }
    } catch (const AutomationError& failure) {
        st.ui.messageBox("Error: " + failure.description(), kProgramTitle, Buttons::Ok, Icon::None);
    }
}

}  // namespace kov

#include "commands/add_point.h"

#include <memory>
#include <string>

#include "model/station.h"
#include "mount/telescope_ready.h"
#include "station/attempt.h"
#include "station/texts.h"

namespace kov {

void AddPoint(Station& st) {
    std::string step;  // empty while the telescope is being made ready
    try {
        if (!MakeTelescopeReady(st, ConnectWait::Paced)) {
            return;
        }
        step = "Retrieving Alt/Az from the telescope";
        st.ui.yield();
        const std::shared_ptr<SkyTelescope> telescope = st.devices.telescope;
        Require(telescope).SetAsynchronous(false);
        telescope->GetAzAlt();
        st.ui.yield();
        const double alt = telescope->dAlt();
        const double az = telescope->dAz();

        const std::shared_ptr<DriverUtil> util = st.objects.createDriverUtil(progid::kUtil);
        MappingPoint point;
        point.alt = Require(util).DegreesToDMS(alt, kPointDegreeSeparator, kPointMinuteSeparator,
                                               kPointSecondSeparator);
        point.az = util->DegreesToDMS(az, kPointDegreeSeparator, kPointMinuteSeparator,
                                      kPointSecondSeparator);
        st.points.add(std::move(point));
    } catch (const AutomationError& failure) {
        st.ui.messageBox("Error: " + failure.description() + kCrLf + step, kProgramTitle,
                         Buttons::Ok, Icon::None);
    }
}

}  // namespace kov

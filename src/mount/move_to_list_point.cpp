#include "mount/move_to_list_point.h"

#include <memory>
#include <string>

#include "model/station.h"
#include "mount/wait_for_slew.h"
#include "station/attempt.h"

namespace kov {

namespace {

void Report(Station& st, const std::string& text) {
    st.ui.setLabel(Label::Status, text);
    st.log.AddLog(text);
    st.ui.repaint(Label::Status);
    st.ui.yield();
}

}  // namespace

bool MoveToListPoint(Station& st, std::int32_t& pt) {
    PointList& list = st.points;
    if (pt < 0 || list.size() < static_cast<std::size_t>(pt) + 1) {
        pt = 0;  // past the end the walk starts again at the first point
    }
    const auto row = static_cast<std::size_t>(pt);
    const std::string number = std::to_string(pt + 1);
    list.scrollTo(row);  // an empty list raises here, to the caller
    list.makeOnlyBold(row);
    st.ui.yield();
    Report(st, "Selecting point " + number + " in the list");

    // The yields let the operator edit the list: the point may be gone by now.
    if (row >= list.size()) {
        st.ui.yield();
        return false;
    }
    const MappingPoint point = list.at(row);
    const std::shared_ptr<DriverUtil> util = st.objects.createDriverUtil(progid::kUtil);
    st.log.AddLog("Point Alt=" + point.alt + " Az=" + point.az);
    const double alt = Require(util).DMSToDegrees(point.alt);
    const double az = util->DMSToDegrees(point.az);

    const std::shared_ptr<SkyTelescope> telescope = st.devices.telescope;
    Require(telescope).SetAsynchronous(true);
    Report(st, "Slewing to point " + number);
    telescope->SlewToAzAlt(az, alt, "KovSkyMapper");
    WaitForSlew(st, *telescope);
    telescope->SetAsynchronous(false);
    if (st.run.bStop) {
        return false;
    }
    st.ui.yield();
    return true;
}

}  // namespace kov

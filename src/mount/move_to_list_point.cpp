#include "mount/move_to_list_point.h"

#include <memory>
#include <string>

#include "model/station.h"
#include "mount/wait_for_slew.h"
#include "station/attempt.h"

namespace kov {

namespace {

constexpr std::int32_t kErrPointOutOfRange = 380;  // invalid property value

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
    if (list.size() == 0) {
        throw AutomationError(kErrIndexOutOfBounds,
                              "The point list is empty: add points with Add Point "
                              "or load a point file, then start again");
    }
    list.scrollTo(row);
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
    CheckAltAzSlew(alt, az, point.alt + ", " + point.az);

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

void CheckAltAzSlew(double alt, double az, const std::string& pointText) {
    if (!(alt >= 0.0 && alt <= 90.0) || !(az >= 0.0 && az <= 360.0)) {
        throw AutomationError(kErrPointOutOfRange,
                              "The point " + pointText +
                                  " is not an altitude from 0 to 90 degrees and an azimuth from 0 "
                                  "to 360 degrees; the mount was not moved. Correct the point.");
    }
}

}  // namespace kov

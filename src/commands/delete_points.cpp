#include "commands/delete_points.h"

#include "model/station.h"

namespace kov {

void DeletePoints(Station& st) {
    st.points.removeSelected();
}

}  // namespace kov

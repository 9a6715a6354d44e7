#include "mount/telescope_ready.h"

#include <memory>

#include "model/station.h"
#include "station/attempt.h"

namespace kov {

namespace {

// Not an automation error of any program: the wait itself gave up.
constexpr std::int32_t kErrConnectTimeout = 440;

}  // namespace

bool MakeTelescopeReady(Station& st, ConnectWait wait) {
    if (!st.devices.telescope) {
        if (!CreateObjects(st)) {
            return false;
        }
        st.ui.yield();
    }
    // A copy, so a nested command that lets go of the objects cannot pull it from under us.
    const std::shared_ptr<SkyTelescope> telescope = st.devices.telescope;
    if (Require(telescope).IsConnected() != 0) {
        return true;
    }
    const std::uint32_t since = st.clock.ticks();
    telescope->Connect();
    if (wait == ConnectWait::Paced) {
        st.clock.sleep(1000);
        st.ui.yield();
    }
    while (telescope->IsConnected() == 0) {
        // Unsigned difference: right across a wrap of the tick count.
        if (st.clock.ticks() - since >= kConnectTimeoutMs) {
            throw AutomationError(kErrConnectTimeout,
                                  "The telescope did not connect within 30 seconds");
        }
        if (wait == ConnectWait::Paced) {
            st.clock.sleep(500);
        }
        st.ui.yield();
    }
    return true;
}

}  // namespace kov

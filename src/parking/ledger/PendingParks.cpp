// A park whose read-back failed may still land: an application can settle its window after
// the read-back has given up. Such a window is filed when it turns up on a virtual
// display, so it comes home like any parked window instead of being rescued elsewhere.
#include "parking/ledger/ParkingController.h"

#include "parking/ledger/VDLog.h"
#include "parking/ledger/WindowList.h"

#include <cassert>
#include <string>

namespace parking {

void ParkingController::settlePendingParksLocked()
{
    assert(q_.isCurrent());
    const double now = dispatch::now();
    bool filed = false;
    for (auto pending = pendingParks_.begin(); pending != pendingParks_.end();) {
        Parked record = pending->second;
        const auto at = windowlist::bounds(record.windowID);
        if (!at) {
            pending = pendingParks_.erase(pending);
            continue;
        }
        const desktop::DisplayID display = windowlist::display(*at);
        if (isVirtualOrZombie(display)) {
            pending = pendingParks_.erase(pending);
            record.virtualDisplayID = display;
            record.savedAt = record.lentAt = now;
            logLateLanding(record.windowID, display, *at);
            fileNewParkLocked(record);
            filed = true;
            continue;
        }
        if (now - record.savedAt >= pendingParkLifetime) {
            pending = pendingParks_.erase(pending);
            VDLog::write("停放待定记录到期：窗口 #" + std::to_string(record.windowID) + " " +
                         std::to_string(static_cast<int>(pendingParkLifetime)) + "s 内没落到虚拟屏 ⇒ 丢弃");
            continue;
        }
        ++pending;
    }
    if (filed) startRestoreWatchLocked();
}

}  // namespace parking

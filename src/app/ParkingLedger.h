#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"

#include <vector>

namespace app {

// One window in window parking's records.
struct ParkingRecord {
    desktop::WindowID window = 0;
    desktop::Pid pid = 0;
    core::Rect originalFrame;  // global points, where it was before it was parked
    desktop::DisplayID virtualDisplay = 0;
};

// Window parking's records, each list sorted by window id.
struct ParkingLedger {
    std::vector<ParkingRecord> parked;
    std::vector<ParkingRecord> strayed;  // left the virtual display by themselves
    std::vector<ParkingRecord> lent;     // borrowed by a pinned preview's takeover
};

}  // namespace app

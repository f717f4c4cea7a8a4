#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"

#include <functional>
#include <optional>

// What a takeover asks of window parking: borrow a window, and settle the loan when the
// window is back (release) or could not be moved (give back). Each call runs
// synchronously on parking's own queue; never call it from inside that queue.
namespace pin::ParkingLoan {

struct Calls {
    std::function<std::optional<core::Rect>(desktop::WindowID)> takeOver;
    std::function<void(desktop::WindowID)> giveBack;
    std::function<void(desktop::WindowID)> releaseTakeover;
};

// WindowParking's own operations unless a test replaces them.
Calls& calls();

std::optional<core::Rect> takeOver(desktop::WindowID windowID);
void giveBack(desktop::WindowID windowID);
void releaseTakeover(desktop::WindowID windowID);

}  // namespace pin::ParkingLoan

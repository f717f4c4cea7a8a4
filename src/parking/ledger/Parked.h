#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"

#include <string>

namespace parking {

// The parking record of one window; its fields are fixed when it is made.
struct Parked {
    desktop::WindowID windowID = 0;
    desktop::Pid pid = 0;
    std::string ownerName;     // "?" when the window list names no owner
    core::Rect originalFrame;  // global points, when it was parked
    desktop::DisplayID originalDisplayID = 0;
    desktop::DisplayID virtualDisplayID = 0;
    double savedAt = 0;  // dispatch::now() of the park
    // dispatch::now() of the lending while the record is lent (else savedAt): the age a
    // loan is judged by, so a window parked long ago is not pruned the moment it is lent.
    double lentAt = 0;
};

}  // namespace parking

#pragma once

#include "platform/core/Geometry.h"

#include <optional>
#include <vector>

namespace parking {

struct Placement {
    core::Rect rect;
    bool resized = false;  // the window had to be made smaller to fit
    bool operator==(const Placement&) const = default;
};

// The first of eight slots on the display (a 3 x 3 grid without its bottom-right corner)
// where a window of the size fits, neither containing nor lying inside an occupied
// rectangle; none when no slot is free.
std::optional<Placement> pickPlacement(const core::Rect& display, double margin, const core::Size& windowSize,
                                       const std::vector<core::Rect>& occupied);

}  // namespace parking

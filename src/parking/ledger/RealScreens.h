#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"

#include <optional>
#include <vector>

namespace parking {

class DisplayController;

struct RealScreen {
    desktop::DisplayID id = 0;
    core::Rect frame;  // global points
    bool operator==(const RealScreen&) const = default;
};

// The active displays that are neither live virtual displays nor zombies, in the active
// list's order.
std::vector<RealScreen> realScreens(const DisplayController& displays);

// The screen nearest the rectangle's centre by squared distance to its frame (0 inside);
// on a tie the earlier screen.
std::optional<RealScreen> nearestScreen(const core::Rect& rect, const std::vector<RealScreen>& screens);

// The rectangle, size kept, moved inside the screen by 8 pt left, right and bottom and
// 40 pt at the top (the menu bar); one that already fits stays put, one too wide or too
// tall sits at the left or top margin.
core::Rect targetOnScreen(const core::Rect& rect, const core::Rect& screen);

}  // namespace parking

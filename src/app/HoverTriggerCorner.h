#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Accessibility.h"

namespace app {

// Where a window's corner zone and trigger block lie: the zone runs along the top edge
// at the right-hand end of the part of the window clear of title-bar buttons, and the
// block's top and right edges lie 8 inside that part's corner.
struct HoverTriggerCorner {
    static constexpr core::Size blockSize{84, 56};
    static constexpr double blockInset = 8;

    core::Rect zone;   // global coordinates (origin top left)
    core::Rect block;  // screen coordinates (origin bottom left)

    // windowFrame is the window's bounds in global coordinates; flipHeight the height
    // that turns global into screen coordinates.
    static HoverTriggerCorner of(const core::Rect& windowFrame, desktop::CornerInset clear, core::Size zoneSize,
                                 double flipHeight);
};

}  // namespace app

#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"

#include <optional>
#include <string>
#include <vector>

namespace ui {

// A display as the application's own windows see it: frames in screen coordinates
// (bottom-left origin, y up).
struct Screen {
    desktop::DisplayID displayID = 0;  // the screen's "NSScreenNumber"
    core::Rect frame;
    core::Rect visibleFrame;  // without the menu bar and the Dock
    double backingScaleFactor = 2;
    std::string localizedName;

    bool operator==(const Screen&) const = default;
};

// The active displays, the primary first; empty when none is active.
std::vector<Screen> screens();
// The primary display.
std::optional<Screen> mainScreen();
// The screen whose frame holds the point, else none.
std::optional<Screen> screenContaining(core::Point screenPoint);
// The screen a window with this frame is on: the one under its centre, else the one
// holding most of it; none when it is on no screen.
std::optional<Screen> screenForFrame(const core::Rect& screenFrame);

}  // namespace ui

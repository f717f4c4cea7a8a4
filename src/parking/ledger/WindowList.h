#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"

#include <optional>
#include <string>

// Small window-list look-ups shared by the parking code. Single-window queries only; any
// thread.
namespace parking::windowlist {

struct Owner {
    desktop::Pid pid = 0;
    std::string name;  // "?" when the list has none
};

// The window's current bounds; none when the list cannot be read or lacks the window.
std::optional<core::Rect> bounds(desktop::WindowID windowID);
// The display holding the rectangle's centre; the main display when none does.
desktop::DisplayID display(const core::Rect& rect);
std::optional<Owner> ownerInfo(desktop::WindowID windowID);
// "(100,200 800x600)": every value truncated toward zero.
std::string rectDesc(const core::Rect& rect);

}  // namespace parking::windowlist

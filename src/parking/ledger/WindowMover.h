#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Accessibility.h"
#include "platform/desktop/Types.h"

#include <optional>
#include <vector>

// Moves another application's window through accessibility and judges the move only by
// the window list, read back by window number. Runs on the parking queue (its read-back
// sleeps block it).
namespace parking::WindowMover {

// How a candidate's accessibility frame is compared with the known frame (2 pt each).
enum class AXMatch { originAndSize = 0, originOnly = 1 };

std::vector<desktop::Element> axWindows(const core::Rect& frame, desktop::Pid pid, AXMatch mode);
std::optional<core::Rect> axFrame(const desktop::Element& element);

// The window's frame as read back from the window list when a candidate was accepted;
// none otherwise. `within`: the display the window must end up inside.
std::optional<core::Rect> moveWindow(desktop::WindowID windowID, desktop::Pid pid, const core::Rect& from,
                                     const core::Rect& to, std::optional<desktop::DisplayID> within, AXMatch match);

}  // namespace parking::WindowMover

#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/WindowServer.h"

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

// Decides from the window list alone whether another window completely covers a
// window, and describes windows for log lines. Rectangles are global points. Stateless;
// any thread.
namespace OcclusionProbe {

using WindowList = std::vector<desktop::WindowInfo>;

std::optional<core::Rect> boundsRect(const desktop::WindowInfo& entry);

// The first entry with the window number, and its position in the list.
std::optional<std::pair<std::size_t, desktop::WindowInfo>> indexOf(desktop::WindowID windowID, const WindowList& list);

// The first window in front of the given one (front to back) that covers the target
// rectangle (the window's own bounds when none is given): a normal-layer window whose
// bounds grown by 1 pt contain the target and whose rounded corner does not cut into
// it. Without a list it reads the on-screen list itself; none when there is no list, the
// window is not in it or is the frontmost, or nothing covers it.
std::optional<desktop::WindowInfo> occluderInfo(desktop::WindowID windowID,
                                                const std::optional<core::Rect>& containing = std::nullopt,
                                                const std::set<desktop::WindowID>& excluding = {},
                                                const std::set<desktop::Pid>& excludingPids = {},
                                                const WindowList* in = nullptr);

// Whether a window of the same application, in front or behind, covers the rectangle:
// its description, a text that says to treat the window as still covered when the list
// gives no answer, or none.
std::optional<std::string> siblingOccluder(desktop::WindowID windowID, const core::Rect& rect,
                                           const std::set<desktop::WindowID>& excluding = {},
                                           const std::set<desktop::Pid>& excludingPids = {});

// "Owner(pid N) 800x600@(100,50)".
std::string describe(const desktop::WindowInfo& entry);
// "800x600@(100,50)": every value truncated toward zero.
std::string rectDesc(const core::Rect& rect);

}  // namespace OcclusionProbe

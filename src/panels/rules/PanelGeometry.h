#pragma once

#include "panels/rules/WindowCorner.h"
#include "platform/core/Geometry.h"

#include <vector>

// The arithmetic of mini-window size, tiling, placement, dragging, snapping and
// resizing. Screen coordinates throughout (bottom-left origin, y up).
namespace panels {

// Margin kept from every edge of a visible frame, and the gap between panels and columns.
inline constexpr double screenMargin = 16;
inline constexpr double panelGap = 12;

// The area a panel gets on this visible frame: that of a screen-shaped rectangle whose
// diagonal is 22.6 % of the screen's at multiplier 1.2.
double targetArea(const core::Rect& visibleFrame, double multiplier);

// The target area shaped to the aspect, shrunk (never grown) to 90 % of the frame.
core::Size pipSize(const core::Rect& visibleFrame, double multiplier, double aspect);

// The aspect a caller supplies: width/height when the height exceeds 1, else 1.6.
double sourceAspect(core::Size source);

// One frame per size, in the same order, in columns from the corner. A visible frame of
// 32 pt or less in either direction leaves no room inside the margins: the answer is then
// empty, which tells the caller to leave those panels where they are.
std::vector<core::Rect> layoutFrames(const std::vector<core::Size>& sizes, const core::Rect& visibleFrame,
                                     WindowCorner corner);

// The right-edge arrangement of one screen's panels (in creation order): running down,
// wrapping leftward. Frames in the same order; empty (skip the group) when the visible
// frame is not wider and taller than 1 pt.
std::vector<core::Rect> rightEdgeArrangement(const std::vector<core::Size>& sizes, const core::Rect& visibleFrame);

// An origin clamped so a frame of this size lies inside V; the minimum edge wins when the
// frame is larger than V.
core::Point clampedOrigin(core::Point origin, core::Size size, const core::Rect& V);

// A new panel's frame: centred on its source (global coordinates, top-left origin, flipped
// with the primary screen's height), then clamped into V.
core::Rect creationFrame(const core::Rect& sourceGlobalFrame, core::Size size, double primaryHeight, const core::Rect& V);

// A proposed drag origin kept on a real screen's visible frame: 80 pt stay on it sideways,
// the top-bar strip stays above its bottom, the top stays below its top.
core::Point clampDragOrigin(core::Point proposed, core::Size size, const core::Rect& V);

// The frame after snapping edges within 16 pt of V's edges to an 8 pt inset; the right and
// bottom edges win when both sides are close. The size never changes.
core::Rect snappedFrame(const core::Rect& frame, const core::Rect& V);

// The edges an edge resize moves (an option set).
struct ResizeEdges {
    static constexpr unsigned top = 1, bottom = 2, left = 4, right = 8;
};

// One aspect-locked resize step from the gesture's start frame by the pointer's movement
// since then: at least 180×120 where the aspect allows, the opposite edges anchored.
core::Rect resizedFrame(const core::Rect& start, core::Point delta, unsigned edges);

}  // namespace panels

#pragma once

#include "platform/core/Geometry.h"

#include <cstddef>
#include <vector>

// Where a lost pointer is brought back to. Global points.
namespace cursortarget {

// How far inside a display's edges the pointer is put down.
constexpr double edgeInset = 16;

// The index of the display nearest to the point, by the squared distance from the point
// to its bounds (0 inside); the first of equally near ones. The list must not be empty.
std::size_t nearestDisplay(core::Point point, const std::vector<core::Rect>& bounds);

// The point moved into the bounds inset by edgeInset, each axis on its own.
core::Point clampedInto(core::Point point, const core::Rect& bounds);

}  // namespace cursortarget

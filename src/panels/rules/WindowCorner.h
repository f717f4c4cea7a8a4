#pragma once

namespace panels {

// The corner tiling starts from, as stored under "pipWindowCorner".
enum class WindowCorner { topRight = 0, bottomRight = 1, topLeft = 2, bottomLeft = 3 };

// Top corners fill a column downwards (0 and 2).
inline bool stacksDown(WindowCorner corner) { return (static_cast<int>(corner) & ~2) == 0; }
// Right corners open later columns to the left (0 and 1).
inline bool expandsLeft(WindowCorner corner) { return (static_cast<int>(corner) & ~1) == 0; }

}  // namespace panels

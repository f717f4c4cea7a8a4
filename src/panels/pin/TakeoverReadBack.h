#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/WindowServer.h"

#include <optional>
#include <string>
#include <vector>

// The look at a taken-over window 0.15 s after the move: where it lies in the on-screen
// stack, and a recentre when the application kept a size of its own.
namespace pin {

inline constexpr double readBackDelay = 0.15;

struct ReadBack {
    std::vector<std::string> logLines;   // in order
    std::optional<core::Rect> recentre;  // the new takeover frame; schedule the clamp check
};

// onScreen: the on-screen window list, front to back (empty when it cannot be read).
ReadBack readBack(const std::vector<desktop::WindowInfo>& onScreen, desktop::WindowID windowID,
                  const core::Rect& takeoverFrame, const core::Rect& box);

}  // namespace pin

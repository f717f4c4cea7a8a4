#pragma once

#include "panels/pin/ActivationPlan.h"
#include "platform/core/Geometry.h"
#include "platform/desktop/WindowServer.h"

#include <optional>
#include <string>
#include <vector>

// The windows of other applications that visibly covered the source window before a
// takeover raised it: leaving brings them back above it.
namespace pin {

// The area of rect that no cover overlaps; exact, overlapping covers counted once.
double visibleArea(const core::Rect& rect, const std::vector<core::Rect>& covers);

// A window keeps its place in the stack when at least this share of it shows past the
// kept windows in front of it.
inline constexpr double visibleShare = 0.05;

struct PrePinStack {
    std::vector<RaiseEntry> raiseList;  // back to front
    desktop::Pid frontPid = 0;          // the frontmost kept window's owner, 0 when none
    std::size_t candidates = 0;
    std::size_t kept = 0;
};

// list: the on-screen window list, front to back (none when unreadable); sourceFrame the
// source's global frame before the takeover moved it.
PrePinStack prePinStack(const std::optional<std::vector<desktop::WindowInfo>>& list, desktop::WindowID sourceWindow,
                        desktop::Pid sourcePid, desktop::Pid ownPid, const core::Rect& sourceFrame);

std::string prePinStackLogLine(const PrePinStack& stack, desktop::Pid prePinFrontAppPid);

}  // namespace pin

#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"
#include "platform/ui/Screen.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// What a left press elsewhere on the desktop does to a pinned preview.
namespace panels {

// A forwarded synthetic click arrives through the global monitor too; within this time
// of the last forward a press is taken for it.
inline constexpr double forwardQuietTime = 0.4;
// Presses this close around a mini window belong to it.
inline constexpr double miniWindowMargin = 4;

struct MiniWindowFrame {
    core::Rect frame;                    // screen coordinates
    std::optional<std::string> appName;  // the source application's name
};

struct GlobalClick {
    desktop::WindowID eventWindow = 0;  // the press event's window number
    core::Point pointer;                // screen coordinates (origin bottom left)
    std::vector<ui::Screen> screens;    // the first is the primary
    std::optional<ui::Screen> panelScreen;
    std::vector<MiniWindowFrame> miniWindows;  // registry order
    double lastForwardTime = 0;
    double now = 0;
    bool takeoverActive = false;
    bool takeoverCrossSpace = false;
    desktop::WindowID targetWindow = 0;  // the source window's number
    // Lookups of the window list, asked only by the branches that log them.
    std::function<std::string(desktop::WindowID)> ownerName;
    std::function<std::optional<desktop::Pid>(core::Point globalPoint)> ownerPidAt;
};

struct GlobalClickDecision {
    enum class Kind {
        ignoreForwarded,     // the synthetic click of the forwarding mode
        ignoreSourceWindow,  // a press in the taken-over window itself
        ignoreMiniWindow,    // within the margin of a mini window
        ignoreOtherScreen,   // another display never ends the pin
        leave,
    };
    Kind kind = Kind::leave;
    bool showCrossSpaceHint = false;  // ignoreSourceWindow across desktops
    std::string logLine;              // empty when nothing is logged
    // leave: the arguments of leaving.
    std::optional<desktop::Pid> frontPid;
    desktop::WindowID frontWindowID = 0;
};

GlobalClickDecision decideGlobalClick(const GlobalClick& click);

}  // namespace panels

#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"

#include <cstddef>
#include <optional>
#include <string>

// The diagnostic lines of the panels' placement and display-change handling. An absent
// application name is written as "?"; numbers are whole, rounded.
namespace panels {

// printf's "%.0f".
std::string roundedText(double value);

// A panel put back after a gesture ended on a virtual screen: "小窗越界回滚: ..." with the
// frame it ended at, the chosen candidate's label and the frame it got.
std::string rollbackLine(const std::optional<std::string>& appName, desktop::WindowID windowID, const std::string& reason,
                         const core::Rect& from, const std::string& label, const core::Rect& to);
// No candidate was off the virtual screens: the panel stays.
std::string rollbackGiveUpLine(const std::optional<std::string>& appName, desktop::WindowID windowID,
                               const std::string& reason);

// A stranded panel pulled back onto a real screen before tiling.
std::string rescueLine(const std::optional<std::string>& appName, desktop::WindowID windowID,
                       const std::string& screenName);

// A panel re-sized for its new screen; sourceBounds is none when the source is off screen.
std::string rebuildSizeLine(const std::optional<std::string>& appName, core::Size size, const core::Rect& visibleFrame,
                            std::optional<core::Size> sourceBounds);

// The right-edge arrangement after a display change.
std::string arrangedLine(std::size_t panelCount);

// A display change that moved panels to other screens.
std::string reconfigurationLine(std::size_t changedCount);

}  // namespace panels

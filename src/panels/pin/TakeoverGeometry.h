#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"
#include "platform/ui/Screen.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

// Where a taken-over source window goes: the preview box in global coordinates, the fit
// of the window into it and the application's minimum size.
namespace pin {

// The height that flips between screen and global coordinates: the first screen's, else
// the main screen's, else 900.
double flipHeight(const std::vector<ui::Screen>& screens, const std::optional<ui::Screen>& mainScreen);

// The preview box (screen coordinates) as a global rectangle: (x, H − maxY, w, h).
core::Rect globalBox(const core::Rect& screenBox, double flipHeight);

// A window that fits the box (within 0.5 pt) is scaled up, keeping its aspect, and
// centred; a larger one takes the whole box.
core::Rect fittedFrame(const core::Rect& windowFrame, const core::Rect& box);

// The minimum that applies: the one accessibility reports, else the one learned for the
// application's bundle identifier.
std::optional<core::Size> effectiveMinimum(const std::optional<core::Size>& reported,
                                           const std::optional<std::string>& bundleID,
                                           const std::map<std::string, core::Size>& learned);

struct MinimumClamp {
    core::Rect frame;  // grown to the minimum, centred on the box
    std::string logLine;
};

// None when the fitted frame already meets the minimum (within 0.5 pt).
std::optional<MinimumClamp> clampToMinimum(const core::Rect& fitted, const core::Rect& box,
                                           const std::optional<core::Size>& minimum);

// A frame of this size centred on the box.
core::Rect centredInBox(core::Size size, const core::Rect& box);

struct SavedFrameChoice {
    core::Rect frame;
    std::string logLine;  // when parking's place differs from the current frame
};

// The frame leaving puts the window back to: parking's place before parking when it
// lent one, else the current frame.
SavedFrameChoice savedFrameChoice(const std::optional<core::Rect>& parkedPlace, const core::Rect& currentFrame);

// The takeover's summary line once the window has been moved.
std::string takeoverMovedLogLine(const core::Rect& takeoverFrame, const core::Rect& currentFrame,
                                 const core::Rect& savedFrame, const core::Rect& box, desktop::WindowID windowID);

}  // namespace pin

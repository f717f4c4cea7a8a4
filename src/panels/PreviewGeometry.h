#pragma once

#include "platform/core/Geometry.h"

#include <optional>

// The hover preview's size and place, and the clamps of its settings. Pure.
namespace panels {

inline constexpr const char* previewEnabledKey = "hoverPreviewEnabled";
inline constexpr const char* previewDelayKey = "hoverPreviewDelay";
inline constexpr const char* previewScaleKey = "hoverPreviewScale";

inline constexpr double defaultPreviewDelay = 0.5;
inline constexpr double defaultPreviewScale = 3.0;

// The stored delay in seconds (none when absent or not a number): 0.5 by default,
// within 0 ... 1.
double clampedPreviewDelay(std::optional<double> stored);
// The stored scale: 3 by default, within 1 ... 4.
double clampedPreviewScale(std::optional<double> stored);

// The preview's frame in screen coordinates: a picture of the source's aspect (1.6 when
// its height is 1 or less) whose diagonal is scale / 3 · 0.55 of the visible frame's (at
// most 0.85 of it), kept within 0.85 of the visible width and height, centred on the
// visible frame.
core::Rect previewFrame(const core::Rect& visibleFrame, core::Size sourceSize, double scale);

}  // namespace panels

#pragma once

#include "platform/core/Geometry.h"

// The hover preview's size and place. Pure.
namespace panels {

// The preview's frame in screen coordinates: a picture of the source's aspect (1.6 when
// its height is 1 or less) whose diagonal is scale / 3 · 0.55 of the visible frame's (at
// most 0.85 of it), kept within 0.85 of the visible width and height, centred on the
// visible frame. An enlarged picture is never smaller than the mini window it enlarges:
// it grows to cover miniWindow's size as far as the visible frame allows.
core::Rect previewFrame(const core::Rect& visibleFrame, core::Size sourceSize, double scale, core::Size miniWindow);

}  // namespace panels

#pragma once

#include "platform/desktop/Capture.h"
#include "platform/sim/FrameRecycler.h"
#include "platform/sim/SimWorld.h"

#include <optional>

namespace sim {

// A picture of what a content filter shows.
struct CapturedPicture {
    desktop::PixelBufferRef image;
    core::Rect contentRect;  // the pixels the content covers
    double scaleFactor = 1;  // the scale of the display showing the content
};

// The size in points of what the filter captures now: the live window's, or the
// configured crop's (the whole display's without one).
core::Size capturedSize(SimWorld& world, const desktop::ContentFilter& filter,
                        const desktop::StreamConfiguration& configuration);

// Whether the filter's window is minimised or its application hidden.
bool sourceHidden(SimWorld& world, const desktop::ContentFilter& filter);

// What the filter shows now, at the configured pixel size (shrunk, keeping its shape, to
// fit the largest display's pixels); none while its source shows nothing (a closed,
// minimised or hidden window, a display that is gone). Content of referenceSize (points) fills the picture; content of
// another size, as a window that was resized after the configuration was made, keeps that scale, anchored top-left. The
// application's own windows are left out of display pictures: only their owner may draw them. A window's picture comes
// from the recycler when one is given.
std::optional<CapturedPicture> renderCapture(SimWorld& world, const desktop::ContentFilter& filter,
                                             const desktop::StreamConfiguration& configuration,
                                             core::Size referenceSize, FrameRecycler* recycler = nullptr);

}  // namespace sim

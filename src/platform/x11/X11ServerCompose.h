#pragma once

#include "platform/desktop/Types.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11PixmapReader.h"
#include "platform/x11/X11ShmPool.h"

#include <vector>

namespace x11 {

// A picture to draw: a drawable whose top-left lies at x, y in root pixels.
struct Layer {
    DrawableInfo source;
    int x = 0;
    int y = 0;
};

// What a region of the root (pixels) shows of the layers, bottom to top, drawn by the
// server (XRender, bilinear where the size changes) into a picture of width × height and
// then read: the scaling and the composing never cross to this process. An opaque
// background is black under the layers; without it the uncovered pixels are clear.
// The drawable scaled by the server (XRender, bilinear) to width × height and read: the
// full picture never crosses to this process. A drawable without alpha reads as opaque
// with every fourth byte 0xFF, so it draws as it is.
desktop::PixelBufferRef scaleOnServer(Connection& connection, ShmPool* pool, const DrawableInfo& source, int width,
                                      int height);

desktop::PixelBufferRef composeOnServer(Connection& connection, ShmPool* pool, const std::vector<Layer>& layers,
                                        int regionX, int regionY, int regionWidth, int regionHeight, int width,
                                        int height, bool opaqueBackground);

}  // namespace x11

#pragma once

#include "platform/desktop/Types.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11PixmapReader.h"
#include "platform/x11/X11ReadSize.h"
#include "platform/x11/X11ShmPool.h"

#include <xcb/render.h>

#include <memory>
#include <vector>

namespace x11 {

// A picture to draw: a drawable whose top-left lies at x, y in root pixels.
struct Layer {
    DrawableInfo source;
    int x = 0;
    int y = 0;
};

// Reads a part of a drawable scaled by the server (XRender, bilinear) to a size: the full
// picture never crosses to this process. The server's pictures are kept for the next frame
// of the same drawable, part and size. A drawable without alpha reads as opaque with
// every fourth byte 0xFF, so that it draws as it is. One thread at a time.
class ServerScaler {
public:
    explicit ServerScaler(std::shared_ptr<Connection> connection);
    ~ServerScaler();
    ServerScaler(const ServerScaler&) = delete;
    ServerScaler& operator=(const ServerScaler&) = delete;

    desktop::PixelBufferRef read(ShmPool* pool, const DrawableInfo& source, const PixelRect& part, int width, int height);

private:
    bool prepare(const DrawableInfo& source, const PixelRect& part, int width, int height);
    void release();

    const std::shared_ptr<Connection> connection_;
    DrawableInfo source_;
    PixelRect part_;
    DrawableInfo target_;
    xcb_render_picture_t from_ = XCB_NONE;
    xcb_render_picture_t to_ = XCB_NONE;
};

// What a region of the root (pixels) shows of the layers, bottom to top, drawn by the
// server (XRender, bilinear where the size changes) into a picture of width × height and
// then read: the scaling and the composing never cross to this process. An opaque
// background is black under the layers; without it the uncovered pixels are clear.
desktop::PixelBufferRef composeOnServer(Connection& connection, ShmPool* pool, const std::vector<Layer>& layers,
                                        int regionX, int regionY, int regionWidth, int regionHeight, int width,
                                        int height, bool opaqueBackground);

}  // namespace x11

#pragma once

#include "platform/desktop/Capture.h"
#include "platform/desktop/Displays.h"
#include "platform/desktop/WindowServer.h"
#include "platform/x11/X11ShmPool.h"
#include "platform/x11/X11WindowPixmap.h"

#include <map>
#include <memory>

namespace x11 {

// What a display filter shows: the included windows, or every window but the excluded
// ones, composed by the server in stacking order over the display (or the configured
// part of it) at the configured size. The windows stay redirected between pictures.
// The application's own windows are left out: only their owner draws them.
class DisplayComposer {
public:
    DisplayComposer(std::shared_ptr<Connection> connection, std::shared_ptr<desktop::WindowServer> windowServer,
                    std::shared_ptr<desktop::Displays> displays);

    struct Picture {
        desktop::PixelBufferRef image;
        double scaleFactor = 1;
    };
    // None when the display is gone.
    std::optional<Picture> compose(const desktop::ContentFilter& filter,
                                   const desktop::StreamConfiguration& configuration, ShmPool* pool);

private:
    const std::shared_ptr<Connection> connection_;
    const std::shared_ptr<desktop::WindowServer> windowServer_;
    const std::shared_ptr<desktop::Displays> displays_;
    std::map<xcb_window_t, std::unique_ptr<WindowPixmap>> frames_;
};

}  // namespace x11

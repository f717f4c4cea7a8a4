#pragma once

#include "platform/desktop/Capture.h"
#include "platform/desktop/Displays.h"
#include "platform/desktop/WindowServer.h"
#include "platform/x11/X11Connection.h"

#include <memory>
#include <optional>

namespace x11 {

// What a stream's next frame shows.
struct SourcePicture {
    desktop::PixelBufferRef image;
    double scaleFactor = 1;  // the scale of the display showing the content
};

// The content a stream captures. Reads the server only when the content changed since
// the last picture; otherwise the last picture comes again, shared.
class FrameSource {
public:
    virtual ~FrameSource() = default;
    // None while the source shows nothing (an iconified, unmapped or destroyed window, a
    // display that is gone).
    virtual std::optional<SourcePicture> next(const desktop::StreamConfiguration& configuration) = 0;
    // Whether the last next() found a window that shows nothing (iconified, unmapped or
    // gone, or the window manager animating an iconify or the restore): nothing goes out
    // for it, not even an empty frame, as a capture service sends nothing for a window
    // the desktop does not show.
    virtual bool putAway() const { return false; }
    // How often the server's pixels were read.
    virtual long reads() const = 0;
    // The largest size the host shows the whole picture at; 0 × 0 for none known. A source
    // that can read smaller fits its next pictures into it.
    virtual void setShownSize(int /*width*/, int /*height*/) {}
};

// The services capture reads through.
struct CaptureServices {
    std::shared_ptr<Connection> connection;
    std::shared_ptr<desktop::WindowServer> windowServer;
    std::shared_ptr<desktop::Displays> displays;
};

// The source of what the filter shows: a window, or a display's composed windows.
// onChange hears on the server's event thread that the content changed.
std::unique_ptr<FrameSource> makeFrameSource(const CaptureServices& services, const desktop::ContentFilter& filter,
                                             std::function<void()> onChange = {});

}  // namespace x11

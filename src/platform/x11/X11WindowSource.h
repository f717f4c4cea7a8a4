#pragma once

#include "platform/desktop/Displays.h"
#include "platform/desktop/WindowServer.h"
#include "platform/x11/X11DamageWatch.h"
#include "platform/x11/X11FrameSource.h"
#include "platform/x11/X11ReadSize.h"
#include "platform/x11/X11ServerCompose.h"
#include "platform/x11/X11ShmPool.h"
#include "platform/x11/X11WindowPixmap.h"
#include "platform/x11/X11WindowStateWatch.h"

#include <memory>

namespace x11 {

// One client's window as the user sees it: the shown part of its window manager frame,
// redirected, read from its pixmap after Damage reported a change, named again after a
// resize or a remap; put away while it shows nothing, and for good once the client of that
// life ended: a window made later with its id is another window.
class WindowSource : public FrameSource {
public:
    // Without a window server, the client's lives are not told apart.
    WindowSource(std::shared_ptr<Connection> connection, std::shared_ptr<desktop::WindowServer> windowServer,
                 std::shared_ptr<desktop::Displays> displays, desktop::ShareableWindow client,
                 std::function<void()> onChange = {});

    std::optional<SourcePicture> next(const desktop::StreamConfiguration& configuration) override;
    long reads() const override { return reads_; }
    bool putAway() const override { return putAway_ || vanished_; }
    void setShownSize(int width, int height) override { shownSize_ = {width, height}; }

private:
    // The state of the client's frame, found again when it is gone; none without one.
    std::optional<WindowState> followFrame();
    bool clientEnded() const;
    // Lets the frame go: its redirection, Damage and watch.
    void letFrameGo();
    // Asks the server for the state of the frame and whether the user put the window away.
    void askState();
    // The configured size bounds it, and the size the host shows the picture at.
    PixelSize readSizeFor(const desktop::StreamConfiguration& configuration) const;
    void read(PixelSize size, const WindowState& state);
    // The shown part, within the pixmap last named.
    PixelRect shownPartOfPixmap() const;
    double scaleAt(const WindowState& state) const;

    const std::shared_ptr<Connection> connection_;
    const std::shared_ptr<desktop::WindowServer> windowServer_;
    const std::shared_ptr<desktop::Displays> displays_;
    const xcb_window_t client_;
    const desktop::WindowLife life_;
    const std::function<void()> onChange_;
    const std::shared_ptr<ShmPool> pool_;
    xcb_window_t frame_ = XCB_WINDOW_NONE;
    // Declared after the connection they use.
    std::unique_ptr<WindowPixmap> pixmap_;
    ServerScaler scaler_{connection_};
    std::unique_ptr<DamageWatch> damage_;
    std::unique_ptr<WindowStateWatch> stateWatch_;
    std::optional<WindowState> state_;  // as last asked
    std::optional<WindowState> shown_;  // the state of the last picture
    PixelRect part_;                    // of the frame's pixmap, as last asked
    PixelSize shownSize_;
    PixelSize readSize_;
    SourcePicture last_;
    bool putAway_ = false;
    // The window stopped showing after it was asked; asked again next time.
    bool vanished_ = false;
    long reads_ = 0;
};

}  // namespace x11

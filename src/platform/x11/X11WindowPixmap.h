#pragma once

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11PixmapReader.h"

#include <optional>

namespace x11 {

// A window redirected off screen (automatically: the server still shows it) for as long
// as this object lives, and the pixmap that holds its whole picture, covered or not.
class WindowPixmap {
public:
    WindowPixmap(Connection& connection, xcb_window_t window);
    ~WindowPixmap();
    WindowPixmap(const WindowPixmap&) = delete;
    WindowPixmap& operator=(const WindowPixmap&) = delete;

    // Names the window's pixmap again, as a resize or a new mapping replaces it; false
    // when the window shows nothing (unmapped, iconified or gone).
    bool name();
    // The pixmap last named; none when the window showed nothing then.
    const std::optional<DrawableInfo>& pixmap() const { return pixmap_; }
    xcb_window_t window() const { return window_; }

private:
    void freePixmap();

    Connection& connection_;
    const xcb_window_t window_;
    std::optional<DrawableInfo> pixmap_;
};

// Where a top-level window (a child of the root, as frames are) stands, border
// included, and whether it shows: what a stream checks before it reads.
struct WindowState {
    bool viewable = false;
    int x = 0;  // root pixels, the outer edge of the border
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const WindowState&) const = default;
};
// None when the window does not exist.
std::optional<WindowState> windowState(Connection& connection, xcb_window_t window);

}  // namespace x11

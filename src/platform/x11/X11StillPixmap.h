#pragma once

#include "platform/dispatch/Semaphore.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11WindowPixmap.h"

#include <xcb/damage.h>

namespace x11 {

// A window redirected for one still picture. A window nothing redirected yet (no
// compositing manager, no mirror of ours) gets a new pixmap that starts as a copy of the
// screen where it stands, covering windows included: where the window was hidden, its own
// picture is there only once its client answered the exposure the redirect brings.
class StillPixmap {
public:
    // How long a client may take to draw again before the picture is given up.
    static constexpr double redrawSeconds = 0.3;

    StillPixmap(Connection& connection, xcb_window_t frame);
    ~StillPixmap();
    StillPixmap(const StillPixmap&) = delete;
    StillPixmap& operator=(const StillPixmap&) = delete;

    // Whether the pixmap shows the window's own drawing: at once when it was redirected
    // already, fully shown or not shown at all, else after the client's first drawing since
    // the redirect, waited for at most redrawSeconds.
    bool awaitOwnPicture();
    WindowPixmap& window() { return pixmap_; }

private:
    // What is known of the window before the redirect.
    struct Before {
        bool readsAtOnce = true;
        xcb_window_t client = XCB_WINDOW_NONE;  // whose drawing to wait for
    };
    static Before ask(Connection& connection, xcb_window_t frame);

    Connection& connection_;
    // Asked before the redirect below, after which the pixmap can always be named.
    const Before before_;
    WindowPixmap pixmap_;
    xcb_damage_damage_t damage_ = XCB_NONE;
    Connection::HandlerToken handler_ = 0;
    dispatch::Semaphore drawn_;
};

}  // namespace x11

#pragma once

#include <xcb/xcb.h>

#include <functional>
#include <memory>

namespace x11 {

// Takes back the mark for attention a window manager puts on one of our windows while it
// lasts. metacity marks a window that is mapped without taking the focus (as Qt maps every
// window shown without activating) where it overlaps the focused window, docks included, and
// a task bar then flashes for a window it does not even list.
class AttentionMarkRefusal {
public:
    virtual ~AttentionMarkRefusal() = default;
};
// window() names the window as it is now (Qt makes a new one when its flags change), none
// while there is none. Nothing where Qt is not on X11. Main thread only.
std::unique_ptr<AttentionMarkRefusal> refuseAttentionMarks(std::function<xcb_window_t()> window);

}  // namespace x11

#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Accessibility.h"
#include "platform/x11/X11ClientFacts.h"
#include "platform/x11/X11Connection.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace x11 {

// Asks the window manager for a client's frame position, size or both (in one request, so
// that it constrains the frame asked for, not a mix of old and new) and tells whether it
// obeyed: a frame that has not changed within waitForChange was refused. A clamped
// request still changes the frame and counts as done once the frame holds still; callers
// read back where it landed. A refused first move is followed by a request to stay, so
// that a window manager carrying it out late leaves the window where it was.
// A maximised or full-screen frame is the window manager's to place: that state is lifted
// before the window's first move and put back once a move brings the window back to its
// frame in that state. A window on a workspace the user does not see is not moved, except
// back from where it was moved while the user saw it.
class FramePlacement {
public:
    static constexpr double waitForChange = 0.15;
    // How long a changed frame holds still before it counts as where the window landed.
    static constexpr double settleTime = 0.05;

    explicit FramePlacement(std::shared_ptr<Connection> connection);

    // The frame's top-left and the frame's size, in root pixels; none keeps that part.
    desktop::ax::Error place(xcb_window_t window, std::optional<core::Point> origin, std::optional<core::Size> size);

private:
    // A window moved away from its home frame, and the states lifted for it.
    struct Displaced {
        core::Rect home;
        core::Rect normal;  // the frame out of the lifted states
        std::vector<xcb_atom_t> lifted;
    };

    // The window's record, made at its first move (its states lifted, and frame set to
    // where that leaves it); none for a window the user does not see that was not moved.
    std::optional<Displaced> displacedOf(xcb_window_t window, const ClientFacts& facts, core::Rect& frame);
    std::optional<Displaced> recorded(xcb_window_t window);
    bool onSeenDesktop(const ClientFacts& facts);
    // Puts the window back into its lifted states when what was asked is its home frame;
    // else keeps its record.
    void settle(xcb_window_t window, const Displaced& displaced, const core::Rect& asked);
    // Asks the window manager for the frame.
    void request(xcb_window_t window, const core::Rect& frame);
    // The frame once it is what was asked, or once it changed and held still; none when it
    // did not change within waitForChange (or the window went).
    std::optional<core::Rect> landing(xcb_window_t window, const core::Rect& before,
                                      const std::function<bool(const core::Rect&)>& reached,
                                      const std::function<void()>& askAgain);
    // The frame once it is done; none when it was not within waitForChange.
    std::optional<core::Rect> frameOnce(xcb_window_t window, const std::function<bool(const core::Rect&)>& done);
    void keep(xcb_window_t window, const Displaced& displaced);
    void putBack(xcb_window_t window, const Displaced& displaced);

    const std::shared_ptr<Connection> connection_;
    std::mutex mutex_;
    std::map<xcb_window_t, Displaced> displaced_;
};

}  // namespace x11

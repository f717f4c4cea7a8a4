#pragma once

#include "platform/desktop/Accessibility.h"
#include "platform/x11/X11Connection.h"

#include <map>
#include <memory>
#include <mutex>

namespace x11 {

// How far in from each client's top-right corner its title-bar buttons end, in points,
// kept once read until the client's decorations, position or size change, or the
// displays do: the hover poll asks several times a second, and each read takes several
// round trips, which a busy server makes long.
class ButtonFreeCorners {
public:
    explicit ButtonFreeCorners(std::shared_ptr<Connection> connection);
    ~ButtonFreeCorners();
    ButtonFreeCorners(const ButtonFreeCorners&) = delete;
    ButtonFreeCorners& operator=(const ButtonFreeCorners&) = delete;

    desktop::CornerInset of(xcb_window_t client);

private:
    static desktop::CornerInset read(Connection& connection, xcb_window_t client);
    void onEvent(const xcb_generic_event_t& event);

    const std::shared_ptr<Connection> connection_;
    const xcb_atom_t frameExtentsAtom_, gtkFrameExtentsAtom_, motifHintsAtom_;
    Connection::HandlerToken handler_ = 0;
    std::mutex mutex_;
    std::map<xcb_window_t, desktop::CornerInset> known_;
    // The windows being read, each with whether a change came meanwhile: such a read
    // is answered but not kept.
    std::map<xcb_window_t, bool> reading_;
};

}  // namespace x11

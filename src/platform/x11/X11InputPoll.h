#pragma once

#include "platform/core/Geometry.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11KeyMap.h"
#include "platform/x11/X11LaterReply.h"

#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace x11 {

// The pointer as the X server reports it.
struct PointerState {
    core::Point location;                     // global points
    std::uint16_t mask = 0;                   // the X server's key-and-button mask
    xcb_window_t topLevel = XCB_WINDOW_NONE;  // the root's child under the pointer
};
// Both take the reply; none without one.
std::optional<PointerState> pointerOf(xcb_query_pointer_reply_t* reply);
std::optional<X11KeyMap::KeyVector> keysOf(xcb_query_keymap_reply_t* reply);

// The pointer and the keys for a caller that asks again and again: each read sends its
// request and answers the last answer that came, so a busy server never holds the caller
// up (only the very first read of each waits for its answer). Key presses and releases
// the server reported as they happened are applied at once, also over an answer asked for
// before them, so a read after a pause does not answer the keys of before it.
class X11InputPoll {
public:
    explicit X11InputPoll(std::shared_ptr<Connection> connection);
    X11InputPoll(const X11InputPoll&) = delete;
    X11InputPoll& operator=(const X11InputPoll&) = delete;

    std::optional<PointerState> pointer();
    std::optional<X11KeyMap::KeyVector> keys();
    // A key's press or release, as the server reported it (any thread).
    void noteKey(xcb_keycode_t keycode, bool pressed);

private:
    // Takes the answer to the request in flight if it came, sends the next request when
    // none is in flight (the caller flushes it), and answers the last reading.
    template <class Reading, class Ask, class Take>
    std::optional<Reading> read(LaterReply& inFlight, std::optional<Reading>& last, Ask ask, Take take);
    // Runs the read under the lock and writes what it sent after.
    template <class Read>
    auto polled(Read read);
    void applyKey(xcb_keycode_t keycode, bool pressed);

    const std::shared_ptr<Connection> connection_;
    std::mutex mutex_;
    LaterReply pointerInFlight_, keysInFlight_;
    std::optional<PointerState> pointer_;
    std::optional<X11KeyMap::KeyVector> keys_;
    // Reported while the keys' request was in flight: applied over its answer.
    std::vector<std::pair<xcb_keycode_t, bool>> keysSinceAsked_;
};

}  // namespace x11

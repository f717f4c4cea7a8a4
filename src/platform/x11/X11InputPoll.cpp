#include "platform/x11/X11InputPoll.h"

#include "platform/desktop/GlobalSpace.h"

#include <xcb/xcbext.h>

#include <algorithm>
#include <cstdlib>

namespace x11 {

std::optional<PointerState> pointerOf(xcb_query_pointer_reply_t* reply)
{
    if (!reply) return std::nullopt;
    const PointerState state{desktop::globalSpace().toGlobal(core::Point{double(reply->root_x), double(reply->root_y)}),
                             reply->mask, reply->child};
    std::free(reply);
    return state;
}

std::optional<X11KeyMap::KeyVector> keysOf(xcb_query_keymap_reply_t* reply)
{
    if (!reply) return std::nullopt;
    X11KeyMap::KeyVector keys{};
    std::copy(std::begin(reply->keys), std::end(reply->keys), keys.begin());
    std::free(reply);
    return keys;
}

X11InputPoll::X11InputPoll(std::shared_ptr<Connection> connection) : connection_(std::move(connection)) {}

X11InputPoll::~X11InputPoll()
{
    for (const auto& inFlight : {pointerInFlight_, keysInFlight_})
        if (inFlight) xcb_discard_reply(connection_->xcb(), *inFlight);
}

template <class Reading, class Ask, class Take>
std::optional<Reading> X11InputPoll::read(std::optional<unsigned>& inFlight, std::optional<Reading>& last, Ask ask,
                                          Take take)
{
    auto* xcb = connection_->xcb();
    if (inFlight) {
        void* answer = nullptr;
        xcb_generic_error_t* error = nullptr;
        if (xcb_poll_for_reply(xcb, *inFlight, &answer, &error)) {
            inFlight.reset();
            std::free(error);
            if (auto reading = take(answer)) last = std::move(reading);
        }
    }
    if (!inFlight) {
        const unsigned sequence = ask();
        connection_->flush();
        if (last) {
            inFlight = sequence;
        } else {
            // Nothing known yet: the first read waits for its answer.
            xcb_generic_error_t* error = nullptr;
            void* answer = xcb_wait_for_reply(xcb, sequence, &error);
            std::free(error);
            last = take(answer);
        }
    }
    return last;
}

std::optional<PointerState> X11InputPoll::pointer()
{
    std::lock_guard lock(mutex_);
    auto* xcb = connection_->xcb();
    return read(
        pointerInFlight_, pointer_, [&] { return xcb_query_pointer(xcb, connection_->root()).sequence; },
        [](void* answer) { return pointerOf(static_cast<xcb_query_pointer_reply_t*>(answer)); });
}

std::optional<X11KeyMap::KeyVector> X11InputPoll::keys()
{
    std::lock_guard lock(mutex_);
    auto* xcb = connection_->xcb();
    return read(
        keysInFlight_, keys_,
        [&] {
            keysSinceAsked_.clear();
            return xcb_query_keymap(xcb).sequence;
        },
        [this](void* answer) {
            auto keys = keysOf(static_cast<xcb_query_keymap_reply_t*>(answer));
            if (keys) {
                // What happened since the ask is newer than the answer.
                keys_ = keys;
                for (const auto& [keycode, pressed] : keysSinceAsked_) applyKey(keycode, pressed);
                keys = keys_;
            }
            keysSinceAsked_.clear();
            return keys;
        });
}

void X11InputPoll::noteKey(xcb_keycode_t keycode, bool pressed)
{
    std::lock_guard lock(mutex_);
    applyKey(keycode, pressed);
    if (keysInFlight_) keysSinceAsked_.emplace_back(keycode, pressed);
}

void X11InputPoll::applyKey(xcb_keycode_t keycode, bool pressed)
{
    if (!keys_) return;
    auto& byte = (*keys_)[keycode / 8];
    const auto bit = static_cast<std::uint8_t>(1u << (keycode % 8));
    byte = pressed ? static_cast<std::uint8_t>(byte | bit) : static_cast<std::uint8_t>(byte & ~bit);
}

}  // namespace x11

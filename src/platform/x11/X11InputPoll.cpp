#include "platform/x11/X11InputPoll.h"

#include "platform/desktop/GlobalSpace.h"

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

X11InputPoll::X11InputPoll(std::shared_ptr<Connection> connection)
    : connection_(std::move(connection)), pointerInFlight_(connection_->xcb()), keysInFlight_(connection_->xcb())
{
}

template <class Reading, class Ask, class Take>
std::optional<Reading> X11InputPoll::read(LaterReply& inFlight, std::optional<Reading>& last, Ask ask, Take take)
{
    if (auto answer = inFlight.take())
        if (auto reading = take(answer->reply.release())) last = std::move(reading);
    if (!inFlight.inFlight()) {
        inFlight.sent(ask());
        // Nothing known yet: the first read waits for its answer (which sends it).
        if (!last) last = take(inFlight.wait().reply.release());
    }
    return last;
}

template <class Read>
auto X11InputPoll::polled(Read read)
{
    decltype(read()) reading;
    {
        std::lock_guard lock(mutex_);
        reading = read();
    }
    // Written outside the lock, which the event thread takes for each key: a server that
    // reads nothing holds the write.
    connection_->flush();
    return reading;
}

std::optional<PointerState> X11InputPoll::pointer()
{
    auto* xcb = connection_->xcb();
    return polled([&] {
        return read(
            pointerInFlight_, pointer_, [&] { return xcb_query_pointer(xcb, connection_->root()).sequence; },
            [](void* answer) { return pointerOf(static_cast<xcb_query_pointer_reply_t*>(answer)); });
    });
}

std::optional<X11KeyMap::KeyVector> X11InputPoll::keys()
{
    auto* xcb = connection_->xcb();
    return polled([&] {
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
    });
}

void X11InputPoll::noteKey(xcb_keycode_t keycode, bool pressed)
{
    std::lock_guard lock(mutex_);
    applyKey(keycode, pressed);
    if (keysInFlight_.inFlight()) keysSinceAsked_.emplace_back(keycode, pressed);
}

void X11InputPoll::applyKey(xcb_keycode_t keycode, bool pressed)
{
    if (!keys_) return;
    auto& byte = (*keys_)[keycode / 8];
    const auto bit = static_cast<std::uint8_t>(1u << (keycode % 8));
    byte = pressed ? static_cast<std::uint8_t>(byte | bit) : static_cast<std::uint8_t>(byte & ~bit);
}

}  // namespace x11

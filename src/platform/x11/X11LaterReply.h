#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>

namespace x11 {

// A request sent at one ask whose reply is read at a later one, once it came: a caller
// that asks again and again never waits on the server. Whatever is not read by the end is
// discarded, so that xcb keeps no reply nobody will read.
class LaterReply {
public:
    // What the server answered: the reply, or the error in its place.
    struct Answer {
        std::unique_ptr<void, decltype(&std::free)> reply{nullptr, &std::free};
        std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error{nullptr, &std::free};
    };

    explicit LaterReply(xcb_connection_t* connection) : connection_(connection) {}
    ~LaterReply() { discard(); }
    LaterReply(LaterReply&& other) noexcept
        : connection_(other.connection_), sequence_(std::exchange(other.sequence_, std::nullopt))
    {
    }
    LaterReply& operator=(LaterReply&&) = delete;
    LaterReply(const LaterReply&) = delete;
    LaterReply& operator=(const LaterReply&) = delete;

    bool inFlight() const { return sequence_.has_value(); }
    // The request just sent (by its sequence number); the caller flushes.
    void sent(unsigned int sequence);
    // The answer if it came; none while it is still on its way.
    std::optional<Answer> take();
    // Waits for the answer: for a caller that has nothing to answer before it.
    Answer wait();
    void discard();

private:
    xcb_connection_t* const connection_;
    std::optional<unsigned int> sequence_;
};

}  // namespace x11

#pragma once

#include "platform/desktop/Types.h"
#include "platform/dispatch/Queue.h"

#include <functional>
#include <memory>
#include <mutex>

namespace capture {

// Hands frames from a capture queue to another queue without copying them. Only the
// newest frame waits: while the receiving queue is busy, a newer frame replaces the one
// not yet taken, so a slow main thread costs frames, never a backlog.
class FrameMailbox {
public:
    using Deliver = std::function<void(desktop::PixelBufferRef)>;

    explicit FrameMailbox(dispatch::Queue target);

    // Leaves the frame for deliver, which runs on the target queue with the newest frame.
    void put(desktop::PixelBufferRef frame, const Deliver& deliver);

private:
    struct Slot {
        std::mutex mutex;
        desktop::PixelBufferRef frame;
        Deliver deliver;
        bool scheduled = false;
    };

    dispatch::Queue target_;
    std::shared_ptr<Slot> slot_ = std::make_shared<Slot>();
};

}  // namespace capture

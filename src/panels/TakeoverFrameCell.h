#pragma once

#include "platform/core/Geometry.h"

#include <mutex>

// The frame a takeover asked for: written by the main queue (every recentre replaces the
// whole rectangle), read by the readiness poll on the global queue.
class TakeoverFrameCell {
public:
    explicit TakeoverFrameCell(const core::Rect& frame) : frame_(frame) {}

    core::Rect get() const
    {
        std::lock_guard lock(mutex_);
        return frame_;
    }
    void set(const core::Rect& frame)
    {
        std::lock_guard lock(mutex_);
        frame_ = frame;
    }

private:
    mutable std::mutex mutex_;
    core::Rect frame_;
};

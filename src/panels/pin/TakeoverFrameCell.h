#pragma once

#include "platform/core/Geometry.h"

#include <mutex>

namespace pin {

// The frame asked of a taken-over window: written whole on the main thread by the
// recentres, read whole by the readiness poll on its background passes.
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

}  // namespace pin

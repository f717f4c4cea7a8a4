#include "capture/FrameMailbox.h"

namespace capture {

FrameMailbox::FrameMailbox(dispatch::Queue target) : target_(std::move(target)) {}

void FrameMailbox::put(desktop::PixelBufferRef frame, const Deliver& deliver)
{
    {
        std::lock_guard lock(slot_->mutex);
        slot_->frame = std::move(frame);
        if (slot_->scheduled) return;
        slot_->scheduled = true;
        slot_->deliver = deliver;
    }
    target_.async([slot = slot_] {
        desktop::PixelBufferRef frame;
        Deliver deliver;
        {
            std::lock_guard lock(slot->mutex);
            frame = std::move(slot->frame);
            deliver = std::move(slot->deliver);
            slot->scheduled = false;
        }
        if (deliver && frame) deliver(std::move(frame));
    });
}

}  // namespace capture

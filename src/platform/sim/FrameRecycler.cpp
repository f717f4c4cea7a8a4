#include "platform/sim/FrameRecycler.h"

#include <algorithm>

namespace sim {

desktop::PixelBufferRef FrameRecycler::frame(const WindowPicture& picture)
{
    std::lock_guard lock(mutex_);
    if (lastPicture_ == picture) return last_;
    last_ = unheldBuffer(picture.width, picture.height);
    lastPicture_ = picture;
    last_->drawOnFirstRead([picture](std::uint8_t* pixels) { paintPicture(picture, pixels); });
    return last_;
}

std::shared_ptr<desktop::PixelBuffer> FrameRecycler::unheldBuffer(int width, int height)
{
    // Only this list holds a buffer whose frames have all gone: nobody can take it meanwhile.
    // The last buffer handed out is held by last_ as well, so it is never among them.
    const auto unheld = [](const auto& buffer) { return buffer.use_count() == 1; };
    const auto free = std::find_if(buffers_.begin(), buffers_.end(), [&](const auto& buffer) {
        return unheld(buffer) && buffer->width == width && buffer->height == height;
    });
    if (free != buffers_.end()) return *free;
    // Buffers of an earlier size are not needed again.
    std::erase_if(buffers_, unheld);
    buffers_.push_back(unpaintedBuffer(width, height));
    return buffers_.back();
}

}  // namespace sim

#include "platform/sim/FrameRecycler.h"

#include <algorithm>

namespace sim {

std::shared_ptr<desktop::PixelBuffer> FrameRecycler::take(int width, int height)
{
    std::lock_guard lock(mutex_);
    // Only this list holds a buffer whose frames have all gone: nobody can take it meanwhile.
    const auto unheld = [](const auto& buffer) { return buffer.use_count() == 1; };
    const auto free = std::find_if(buffers_.begin(), buffers_.end(), [&](const auto& buffer) {
        return unheld(buffer) && buffer->width == width && buffer->height == height;
    });
    if (free != buffers_.end()) return *free;
    // Buffers of an earlier size are not needed again.
    std::erase_if(buffers_, unheld);
    auto buffer = std::make_shared<desktop::PixelBuffer>();
    buffer->width = width;
    buffer->height = height;
    buffers_.push_back(buffer);
    return buffer;
}

}  // namespace sim

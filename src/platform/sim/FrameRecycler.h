#pragma once

#include "platform/desktop/Types.h"

#include <memory>
#include <mutex>
#include <vector>

namespace sim {

// The pixel storage of one stream's frames, used again once no frame holds it: a large
// window's frames then cost a few buffers, not a fresh one each. Safe from any thread.
class FrameRecycler {
public:
    // A buffer of that size that nobody else holds, its pixels to be painted anew.
    std::shared_ptr<desktop::PixelBuffer> take(int width, int height);

private:
    std::mutex mutex_;
    std::vector<std::shared_ptr<desktop::PixelBuffer>> buffers_;
};

}  // namespace sim

#pragma once

#include "platform/desktop/Types.h"
#include "platform/sim/WindowPainter.h"

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace sim {

// The pixel storage of one stream's frames, used again once no frame holds it: a large
// window's frames then cost a few buffers, not a fresh one each. A buffer is painted only
// when its pixels are first read, and a picture equal to the last one handed out is that
// same buffer again. A buffer some frame still holds is never painted over. Safe from any
// thread.
class FrameRecycler {
public:
    desktop::PixelBufferRef frame(const WindowPicture& picture);

private:
    std::shared_ptr<desktop::PixelBuffer> unheldBuffer(int width, int height);

    std::mutex mutex_;
    std::vector<std::shared_ptr<desktop::PixelBuffer>> buffers_;
    std::optional<WindowPicture> lastPicture_;
    std::shared_ptr<desktop::PixelBuffer> last_;
};

}  // namespace sim

#pragma once

#include "platform/desktop/Types.h"
#include "platform/sim/SimWorld.h"

namespace sim {

// Draws a foreign window's content as it looks at contentTime: a title strip naming the
// application and the window, over a picture that depends only on the window's number,
// its size and the content time, so the same inputs give the same bytes. Animated
// content changes with every 1/60 s of content time, in every pixel, the strip's too.
// Painted into the given buffer when there is one (its storage used again), else a new one.
desktop::PixelBufferRef paintWindow(const SimWindow& window, const std::string& appName, double contentTime,
                                    int pixelWidth, int pixelHeight,
                                    std::shared_ptr<desktop::PixelBuffer> into = nullptr);

}  // namespace sim

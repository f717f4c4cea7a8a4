#pragma once

#include "platform/desktop/Types.h"
#include "platform/sim/SimWorld.h"

namespace sim {

// What a foreign window's content shows at a moment: equal pictures have equal pixels.
struct WindowPicture {
    desktop::WindowID window = 0;
    std::string title;
    std::string appName;
    double pointsHigh = 0;         // the window's height in points, which scales the title strip
    std::uint64_t frameIndex = 0;  // the content time in 1/60 s
    int width = 1;                 // pixels, at least 1
    int height = 1;
    bool operator==(const WindowPicture&) const = default;
};

// The window's content as it looks at contentTime: a title strip naming the application
// and the window, over a picture that depends only on the window's number, its size and
// the content time. Animated content changes with every 1/60 s of content time, in every
// pixel, the strip's too.
WindowPicture windowPicture(const SimWindow& window, const std::string& appName, double contentTime, int pixelWidth,
                            int pixelHeight);

// Writes the picture into width × height pixels, rows of width * 4 bytes.
void paintPicture(const WindowPicture& picture, std::uint8_t* pixels);

// The window's picture at contentTime in a new buffer.
desktop::PixelBufferRef paintWindow(const SimWindow& window, const std::string& appName, double contentTime,
                                    int pixelWidth, int pixelHeight);

// A width × height buffer, rows of width * 4 bytes, its bytes left for a painter to write.
std::shared_ptr<desktop::PixelBuffer> unpaintedBuffer(int width, int height);

}  // namespace sim

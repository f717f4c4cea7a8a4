#include "platform/x11/X11ReadSize.h"

#include "platform/desktop/GlobalSpace.h"

#include <algorithm>
#include <cmath>

namespace x11 {
namespace {

PixelSize largestMonitor()
{
    PixelSize largest;
    for (const auto& monitor : desktop::globalSpace().monitors()) {
        const auto width = static_cast<int>(std::lround(monitor.pixels.width()));
        const auto height = static_cast<int>(std::lround(monitor.pixels.height()));
        if (1.0 * width * height > 1.0 * largest.width * largest.height) largest = {width, height};
    }
    return largest;
}

double shrinkFactor(int width, int height, int roomWidth, int roomHeight)
{
    if (roomWidth < 1 || roomHeight < 1 || (width <= roomWidth && height <= roomHeight)) return 1;
    return std::min(static_cast<double>(roomWidth) / width, static_cast<double>(roomHeight) / height);
}

}  // namespace

PixelSize readSize(int width, int height, int roomWidth, int roomHeight)
{
    const auto monitor = largestMonitor();
    const double factor = std::min(shrinkFactor(width, height, roomWidth, roomHeight),
                                   shrinkFactor(width, height, monitor.width, monitor.height));
    if (factor >= 1) return {width, height};
    return {std::max(1, static_cast<int>(std::lround(width * factor))),
            std::max(1, static_cast<int>(std::lround(height * factor)))};
}

}  // namespace x11

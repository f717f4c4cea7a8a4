#include "platform/x11/X11LocalShrink.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace x11 {

desktop::PixelBufferRef shrinkHere(const desktop::PixelBuffer& frame, int width, int height)
{
    if (width < 1 || height < 1 || frame.width < 1 || frame.height < 1) return nullptr;
    // Every pixel is written below: the memory is not cleared first.
    const int rowBytes = width * 4;
    std::shared_ptr<std::uint8_t[]> pixels(new std::uint8_t[static_cast<std::size_t>(rowBytes) * height]);
    auto shrunk = std::make_shared<desktop::PixelBuffer>(width, height, rowBytes, pixels, pixels.get());
    std::vector<int> columns(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x)
        columns[static_cast<std::size_t>(x)] = static_cast<int>((x + 0.5) * frame.width / width);
    for (int y = 0; y < height; ++y) {
        const auto* from =
            reinterpret_cast<const std::uint32_t*>(frame.row(static_cast<int>((y + 0.5) * frame.height / height)));
        auto* to = reinterpret_cast<std::uint32_t*>(shrunk->row(y));
        for (int x = 0; x < width; ++x) to[x] = from[columns[static_cast<std::size_t>(x)]] | 0xFF000000u;
    }
    shrunk->opaque = shrunk->fourthByteOpaque = true;
    return shrunk;
}

}  // namespace x11

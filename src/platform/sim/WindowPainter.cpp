#include "platform/sim/WindowPainter.h"

#include "platform/sim/TextStrip.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace sim {
namespace {

struct Colour {
    std::uint8_t b = 0, g = 0, r = 0;
};

// Mixes the window number so that neighbouring numbers get unrelated colours.
std::uint64_t mix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// The high half of each channel comes from the hue, the low half carries twelve bits of
// the frame index, so every pixel of animated content changes with every frame (any
// sampling of the picture sees the change) while the tint hardly moves.
Colour shade(std::uint64_t hue, std::uint64_t frameIndex)
{
    const auto channel = [](std::uint64_t high, std::uint64_t low) {
        return static_cast<std::uint8_t>((high & 0xF0) | (low & 0x0F));
    };
    return {channel(hue, frameIndex), channel(hue >> 8, frameIndex >> 4), channel(hue >> 16, frameIndex >> 8)};
}

std::uint32_t packed(Colour c)
{
    const std::uint8_t bytes[4] = {c.b, c.g, c.r, 0xFF};
    std::uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// Fills count pixels from start, wrapping around the row's end.
void fillWrapped(std::vector<std::uint32_t>& row, int start, int count, std::uint32_t pixel)
{
    const int width = static_cast<int>(row.size());
    const int first = std::min(count, width - start);
    std::fill_n(row.begin() + start, first, pixel);
    std::fill_n(row.begin(), count - first, pixel);
}

// The title strip in points; below a readable size, or where it would fill half the
// picture, the window is drawn without one.
constexpr double titleStripPoints = 24;
constexpr double titleFontPoints = 13;
constexpr int smallestStripPixels = 8;

std::string titleText(const std::string& appName, const std::string& title)
{
    if (appName.empty() || title.empty()) return appName + title;
    return appName + " \u2014 " + title;
}

// Lays the title strip over the top rows, keeping the low half of each channel for the
// frame index as the rest of the picture does.
void paintTitleStrip(const WindowPicture& picture, std::uint8_t* pixels, std::uint32_t frameBits)
{
    const double scale = picture.pointsHigh > 0 ? picture.height / picture.pointsHigh : 1;
    const int height = static_cast<int>(std::lround(titleStripPoints * scale));
    if (height < smallestStripPixels || 2 * height > picture.height) return;

    StripLook look;
    look.text = titleText(picture.appName, picture.title);
    look.width = picture.width;
    look.height = height;
    look.fontPixels = static_cast<int>(std::lround(titleFontPoints * scale));
    look.centred = true;
    look.background = qRgb(0xE0, 0xE0, 0xE0);
    look.foreground = qRgb(0x20, 0x20, 0x20);
    look.edge = qRgb(0xB0, 0xB0, 0xB0);
    const auto strip = textStrip(look);
    for (int y = 0; y < height; ++y) {
        const auto* from = reinterpret_cast<const std::uint32_t*>(strip->constScanLine(y));
        auto* to = reinterpret_cast<std::uint32_t*>(pixels) + static_cast<std::size_t>(y) * picture.width;
        for (int x = 0; x < picture.width; ++x) to[x] = (from[x] & 0xFFF0F0F0u) | frameBits;
    }
}

}  // namespace

WindowPicture windowPicture(const SimWindow& window, const std::string& appName, double contentTime, int pixelWidth,
                            int pixelHeight)
{
    WindowPicture picture;
    picture.window = window.id;
    picture.title = window.title;
    picture.appName = appName;
    picture.pointsHigh = window.frame.height();
    picture.frameIndex = static_cast<std::uint64_t>(std::floor(std::max(contentTime, 0.0) * 60));
    picture.width = std::max(pixelWidth, 1);
    picture.height = std::max(pixelHeight, 1);
    return picture;
}

void paintPicture(const WindowPicture& picture, std::uint8_t* pixels)
{
    const int width = picture.width;
    const int height = picture.height;
    const std::uint64_t frameIndex = picture.frameIndex;
    const std::uint64_t hue = mix(picture.window);

    const std::uint32_t background = packed(shade(hue, frameIndex));
    const std::uint32_t band = packed(shade(~hue, frameIndex));
    const std::uint32_t crossing = packed(shade(hue >> 24, frameIndex));

    // A vertical band crosses the width in 90 frames, a horizontal one the height in 150.
    const int bandWidth = std::max(1, width / 10);
    const int bandX = static_cast<int>(frameIndex * std::max(1, width / 90) % width);
    const int bandHeight = std::max(1, height / 10);
    const int bandY = static_cast<int>(frameIndex * std::max(1, height / 150) % height);

    std::vector<std::uint32_t> plainRow(width, background);
    fillWrapped(plainRow, bandX, bandWidth, band);
    std::vector<std::uint32_t> bandRow(width, band);
    fillWrapped(bandRow, bandX, bandWidth, crossing);

    // Rows are copies of the two prepared rows: the cost stays close to filling memory.
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    std::uint8_t* next = pixels;
    const auto append = [&](const std::vector<std::uint32_t>& row, int rows) {
        for (int i = 0; i < rows; ++i, next += rowBytes) std::memcpy(next, row.data(), rowBytes);
    };
    const int bandRowsBeforeWrap = std::min(bandHeight, height - bandY);
    const int wrappedBandRows = bandHeight - bandRowsBeforeWrap;
    append(bandRow, wrappedBandRows);
    append(plainRow, bandY - wrappedBandRows);
    append(bandRow, bandRowsBeforeWrap);
    append(plainRow, height - bandY - bandRowsBeforeWrap);
    paintTitleStrip(picture, pixels, packed(shade(0, frameIndex)) & 0x000F0F0Fu);
}

desktop::PixelBufferRef paintWindow(const SimWindow& window, const std::string& appName, double contentTime,
                                    int pixelWidth, int pixelHeight)
{
    const auto picture = windowPicture(window, appName, contentTime, pixelWidth, pixelHeight);
    auto buffer = unpaintedBuffer(picture.width, picture.height);
    paintPicture(picture, buffer->data());
    return buffer;
}

std::shared_ptr<desktop::PixelBuffer> unpaintedBuffer(int width, int height)
{
    // Its painter writes every byte: clearing them first would cost a pass as long as the painting.
    auto pixels = std::make_shared_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(width) * height * 4);
    auto* first = pixels.get();
    return std::make_shared<desktop::PixelBuffer>(width, height, width * 4, std::move(pixels), first);
}

}  // namespace sim

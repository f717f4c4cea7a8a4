#include "platform/sim/CaptureRenderer.h"

#include "platform/sim/Compositor.h"
#include "platform/sim/WindowPainter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace sim {
namespace {

using desktop::ContentFilter;

std::optional<core::Rect> displayRegion(SimWorld& world, const ContentFilter& filter,
                                        const desktop::StreamConfiguration& configuration)
{
    const auto display = world.display(filter.display.displayID);
    if (!display) return std::nullopt;
    if (configuration.sourceRect && !configuration.sourceRect->isEmpty())
        return configuration.sourceRect->standardized().offsetBy(display->frame.minX(), display->frame.minY());
    return display->frame;
}

// The picture placed at the top left of a width × height one, cut where it overhangs.
desktop::PixelBufferRef anchoredTopLeft(const desktop::PixelBuffer& picture, int width, int height)
{
    auto result = std::make_shared<desktop::PixelBuffer>(width, height);
    const auto rowBytes = static_cast<std::size_t>(std::min(picture.width, width)) * 4;
    for (int y = 0; y < std::min(picture.height, height); ++y) std::memcpy(result->row(y), picture.row(y), rowBytes);
    return result;
}

struct PixelSize {
    int width = 1;
    int height = 1;
};

// A capture service never hands out more pixels than its largest display has: a larger
// picture shrinks, keeping its shape, until it fits that display.
PixelSize fittedToLargestDisplay(SimWorld& world, int width, int height)
{
    double roomWidth = 0;
    double roomHeight = 0;
    for (const auto& display : world.displays()) {
        const double w = std::round(display.frame.width() * display.scale);
        const double h = std::round(display.frame.height() * display.scale);
        if (w * h > roomWidth * roomHeight) {
            roomWidth = w;
            roomHeight = h;
        }
    }
    if (roomWidth < 1 || roomHeight < 1 || (width <= roomWidth && height <= roomHeight)) return {width, height};
    const double factor = std::min(roomWidth / width, roomHeight / height);
    return {std::max(1, static_cast<int>(width * factor)), std::max(1, static_cast<int>(height * factor))};
}

std::optional<CapturedPicture> renderWindow(SimWorld& world, desktop::WindowID id, int width, int height,
                                            core::Size referenceSize, FrameRecycler* recycler)
{
    const auto window = world.window(id);
    if (!window || !world.isOnScreen(id)) return std::nullopt;
    const double contentTime = world.contentTime(id);
    const core::Size live = window->frame.size;
    const double displayScale = world.scaleAt(window->frame);
    const std::string appName = world.appName(window->pid);

    CapturedPicture captured;
    captured.scaleFactor = displayScale;
    if (live == referenceSize) {
        captured.image = recycler ? recycler->frame(windowPicture(*window, appName, contentTime, width, height))
                                  : paintWindow(*window, appName, contentTime, width, height);
        captured.contentRect = core::Rect(0, 0, width, height);
        return captured;
    }
    const double scaleX = referenceSize.width > 0 ? width / referenceSize.width : displayScale;
    const double scaleY = referenceSize.height > 0 ? height / referenceSize.height : displayScale;
    const auto [paintedWidth, paintedHeight] =
        fittedToLargestDisplay(world, std::max(1, static_cast<int>(std::lround(live.width * scaleX))),
                               std::max(1, static_cast<int>(std::lround(live.height * scaleY))));
    const auto painted = paintWindow(*window, appName, contentTime, paintedWidth, paintedHeight);
    captured.image = anchoredTopLeft(*painted, width, height);
    captured.contentRect = core::Rect(0, 0, std::min(paintedWidth, width), std::min(paintedHeight, height));
    return captured;
}

std::optional<CapturedPicture> renderDisplay(SimWorld& world, const ContentFilter& filter,
                                             const desktop::StreamConfiguration& configuration, int width, int height)
{
    const auto region = displayRegion(world, filter, configuration);
    if (!region) return std::nullopt;
    const bool including = filter.kind == ContentFilter::Kind::displayIncluding;
    const auto listed = [&](desktop::WindowID id) {
        return std::any_of(filter.windows.begin(), filter.windows.end(),
                           [&](const desktop::ShareableWindow& w) { return w.windowID == id; });
    };
    CapturedPicture captured;
    captured.image = composeRegion(world, *region, width, height,
                                   [&](const SimWindow& w) { return !w.own && listed(w.id) == including; });
    captured.contentRect = core::Rect(0, 0, width, height);
    captured.scaleFactor = world.scaleAt(*region);
    return captured;
}

}  // namespace

core::Size capturedSize(SimWorld& world, const ContentFilter& filter, const desktop::StreamConfiguration& configuration)
{
    if (filter.kind == ContentFilter::Kind::window) {
        const auto window = world.window(filter.window.windowID);
        return window ? window->frame.size : filter.window.frame.size;
    }
    const auto region = displayRegion(world, filter, configuration);
    return region ? region->size : filter.display.frame.size;
}

bool sourceHidden(SimWorld& world, const ContentFilter& filter)
{
    if (filter.kind != ContentFilter::Kind::window) return false;
    const auto window = world.window(filter.window.windowID);
    if (!window) return false;
    const auto owner = world.app(window->pid);
    return window->minimized || (owner && owner->info.hidden);
}

std::optional<CapturedPicture> renderCapture(SimWorld& world, const ContentFilter& filter,
                                             const desktop::StreamConfiguration& configuration,
                                             core::Size referenceSize, FrameRecycler* recycler)
{
    const auto [width, height] =
        fittedToLargestDisplay(world, std::max(configuration.width, 1), std::max(configuration.height, 1));
    if (filter.kind == ContentFilter::Kind::window)
        return renderWindow(world, filter.window.windowID, width, height, referenceSize, recycler);
    return renderDisplay(world, filter, configuration, width, height);
}

}  // namespace sim

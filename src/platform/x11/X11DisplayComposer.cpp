#include "platform/x11/X11DisplayComposer.h"

#include "platform/desktop/GlobalSpace.h"
#include "platform/x11/X11Frames.h"
#include "platform/x11/X11ServerCompose.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace x11 {

DisplayComposer::DisplayComposer(std::shared_ptr<Connection> connection,
                                 std::shared_ptr<desktop::WindowServer> windowServer,
                                 std::shared_ptr<desktop::Displays> displays)
    : connection_(std::move(connection)), windowServer_(std::move(windowServer)), displays_(std::move(displays))
{
}

std::optional<DisplayComposer::Picture> DisplayComposer::compose(const desktop::ContentFilter& filter,
                                                                 const desktop::StreamConfiguration& configuration,
                                                                 ShmPool* pool)
{
    const auto display = displays_->display(filter.display.displayID);
    if (!display) return std::nullopt;
    core::Rect region = display->frame;
    if (configuration.sourceRect && !configuration.sourceRect->isEmpty())
        region = configuration.sourceRect->standardized().offsetBy(display->frame.minX(), display->frame.minY());
    const auto pixels = desktop::globalSpace().toNative(region);

    const bool including = filter.kind == desktop::ContentFilter::Kind::displayIncluding;
    const auto listed = [&](desktop::WindowID id) {
        return std::any_of(filter.windows.begin(), filter.windows.end(),
                           [&](const desktop::ShareableWindow& w) { return w.windowID == id; });
    };
    const auto windows =
        windowServer_->windowList(desktop::WindowListOption::onScreenOnly).value_or(std::vector<desktop::WindowInfo>{});
    const desktop::Pid own = getpid();

    std::map<xcb_window_t, std::unique_ptr<WindowPixmap>> kept;
    std::vector<Layer> layers;
    // The list is front to back; the server draws back to front.
    for (auto window = windows.rbegin(); window != windows.rend(); ++window) {
        if (window->ownerPid == own || listed(window->number) != including) continue;
        const xcb_window_t frame = frameWindow(*connection_, window->number);
        if (frame == XCB_WINDOW_NONE) continue;
        auto& pixmap = kept[frame];
        if (const auto found = frames_.find(frame); found != frames_.end()) pixmap = std::move(found->second);
        if (!pixmap) pixmap = std::make_unique<WindowPixmap>(*connection_, frame);
        const auto state = windowState(*connection_, frame);
        if (!state || !pixmap->name()) continue;
        layers.push_back({*pixmap->pixmap(), state->x, state->y});
    }
    frames_ = std::move(kept);

    const int width = std::max(configuration.width, 1);
    const int height = std::max(configuration.height, 1);
    Picture picture;
    picture.image =
        composeOnServer(*connection_, pool, layers, static_cast<int>(std::lround(pixels.minX())),
                        static_cast<int>(std::lround(pixels.minY())), static_cast<int>(std::lround(pixels.width())),
                        static_cast<int>(std::lround(pixels.height())), width, height, true);
    picture.scaleFactor = display->scale;
    return picture;
}

}  // namespace x11

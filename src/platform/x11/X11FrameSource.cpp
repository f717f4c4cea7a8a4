#include "platform/x11/X11FrameSource.h"

#include "platform/x11/X11DisplaySource.h"
#include "platform/x11/X11WindowSource.h"

namespace x11 {

std::unique_ptr<FrameSource> makeFrameSource(const CaptureServices& services, const desktop::ContentFilter& filter,
                                             std::function<void()> onChange)
{
    if (filter.kind == desktop::ContentFilter::Kind::window)
        return std::make_unique<WindowSource>(services.connection, services.windowServer, services.displays,
                                              filter.window, std::move(onChange));
    return std::make_unique<DisplaySource>(services.connection, services.windowServer, services.displays, filter,
                                           std::move(onChange));
}

}  // namespace x11

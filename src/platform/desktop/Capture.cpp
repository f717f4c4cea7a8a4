#include "platform/desktop/Capture.h"

namespace desktop {

ContentFilter ContentFilter::desktopIndependentWindow(const ShareableWindow& window)
{
    ContentFilter filter;
    filter.kind = Kind::window;
    filter.window = window;
    return filter;
}

ContentFilter ContentFilter::displayIncludingWindows(const ShareableDisplay& display, std::vector<ShareableWindow> windows)
{
    ContentFilter filter;
    filter.kind = Kind::displayIncluding;
    filter.display = display;
    filter.windows = std::move(windows);
    return filter;
}

ContentFilter ContentFilter::displayExcludingWindows(const ShareableDisplay& display, std::vector<ShareableWindow> windows)
{
    ContentFilter filter;
    filter.kind = Kind::displayExcluding;
    filter.display = display;
    filter.windows = std::move(windows);
    return filter;
}

core::Rect ContentFilter::contentRect() const
{
    const core::Rect& frame = kind == Kind::window ? window.frame : display.frame;
    return core::Rect(0, 0, frame.width(), frame.height());
}

}  // namespace desktop

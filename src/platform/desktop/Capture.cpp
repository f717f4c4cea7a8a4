#include "platform/desktop/Capture.h"

namespace desktop {

ContentFilter ContentFilter::desktopIndependentWindow(const ShareableWindow& window)
{
    ContentFilter filter;
    filter.kind = Kind::window;
    filter.window = window;
    return filter;
}

namespace {

ContentFilter displayFilter(ContentFilter::Kind kind, const ShareableDisplay& display,
                            std::vector<ShareableWindow> windows)
{
    ContentFilter filter;
    filter.kind = kind;
    filter.display = display;
    filter.windows = std::move(windows);
    return filter;
}

}  // namespace

ContentFilter ContentFilter::displayIncludingWindows(const ShareableDisplay& display, std::vector<ShareableWindow> windows)
{
    return displayFilter(Kind::displayIncluding, display, std::move(windows));
}

ContentFilter ContentFilter::displayExcludingWindows(const ShareableDisplay& display, std::vector<ShareableWindow> windows)
{
    return displayFilter(Kind::displayExcluding, display, std::move(windows));
}

core::Rect ContentFilter::contentRect() const
{
    const core::Rect& frame = kind == Kind::window ? window.frame : display.frame;
    return core::Rect(0, 0, frame.width(), frame.height());
}

CaptureErrorKind captureErrorKind(const Error& error)
{
    if (error.domain != captureError::domain) return CaptureErrorKind::permanent;
    if (error.code == captureError::userDeclined) return CaptureErrorKind::userDeclined;
    // The capture service lost its connection to the application: a new stream may work.
    if (error.code == captureError::failedApplicationConnectionInterrupted) return CaptureErrorKind::temporary;
    return CaptureErrorKind::permanent;
}

}  // namespace desktop

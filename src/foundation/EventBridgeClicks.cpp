#include "foundation/EventBridge.h"

#include "foundation/Diag.h"
#include "foundation/WindowQuery.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"

#include <algorithm>

namespace EventBridge {

bool forwardClick(core::Point localPoint, core::Size viewSize, const desktop::ShareableWindow& target, int clickCount)
{
    if (!desktop::accessibility().isTrusted()) return false;
    const auto info = WindowQuery::onScreenInfo(target.windowID);
    if (!info) {
        focus(target);
        return false;
    }
    // The window may have moved since the catalog's snapshot: map through where it is now.
    const core::Rect frame = info->bounds.value_or(target.frame);
    const core::Point point{
        frame.x() + localPoint.x * (frame.width() / std::max(viewSize.width, 1.0)),
        frame.y() + localPoint.y * (frame.height() / std::max(viewSize.height, 1.0)),
    };
    const int clickState = std::min(clickCount, 3);

    auto& input = desktop::input();
    input.postEvent({.type = desktop::EventType::leftMouseDown,
                     .location = point,
                     .clickState = clickState,
                     .targetWindow = target.windowID});
    dispatch::sleepFor(0.025);
    input.postEvent({.type = desktop::EventType::leftMouseUp, .location = point, .clickState = clickState});

    Diag::log("转发点击: pt=" + core::pointText(point) + " click=" + std::to_string(clickCount));
    return true;
}

}  // namespace EventBridge

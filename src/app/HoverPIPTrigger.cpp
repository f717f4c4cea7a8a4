#include "app/HoverPIPTrigger.h"

#include "foundation/Diag.h"
#include "platform/desktop/Desktop.h"

namespace app {

const std::shared_ptr<HoverPIPTrigger>& HoverPIPTrigger::shared()
{
    static const auto trigger = std::make_shared<HoverPIPTrigger>();
    return trigger;
}

void HoverPIPTrigger::setSuspended(bool suspended)
{
    if (suspended == suspended_) return;
    suspended_ = suspended;
    Diag::log(std::string("悬停触发: ") + (suspended ? "暂停（框选中）" : "恢复"));
}

std::optional<HoverPIPTrigger::WindowHit> HoverPIPTrigger::windowUnder(core::Point screenPoint, core::Size minSize)
{
    const auto list = desktop::windowServer().windowList(desktop::WindowListOption::onScreenOnly, 0,
                                                         /*excludeDesktopElements=*/true);
    if (!list) return std::nullopt;
    const double flipHeight = desktop::firstScreenHeight(desktop::displays());
    const core::Point q = core::flipped(screenPoint, flipHeight);
    const desktop::Pid ownPid = desktop::workspace().ownPid();
    for (const desktop::WindowInfo& info : *list) {
        if (info.layer != 0L) continue;
        if (info.ownerPid == ownPid) continue;
        if (!info.bounds) continue;
        const core::Rect& bounds = *info.bounds;
        if (!(bounds.width() > minSize.width && bounds.height() > minSize.height)) continue;
        if (!bounds.contains(q) || info.number == 0) continue;
        return WindowHit{.windowID = info.number,
                         .cgFrame = bounds,
                         .appkitFrame = core::flipped(bounds, flipHeight),
                         .owner = info.ownerName.value_or("?")};
    }
    return std::nullopt;
}

}  // namespace app

#include "panels/pin/ReadinessPoll.h"

#include "capture/NumberText.h"
#include "panels/pin/TakeoverGeometry.h"

namespace pin {

ReadinessPoll::ReadinessPoll(std::uint64_t generation, const core::Rect& frameBefore, const core::Rect& box)
    : generation_(generation), frameBefore_(frameBefore), box_(box)
{
}

ReadinessPoll::Pass ReadinessPoll::pass(const std::optional<core::Rect>& observed, const core::Rect& takeoverFrame)
{
    Pass result;
    if (finished_) return result;
    ++passes_;

    if (observed && observed->width() > 0 && observed->height() > 0) {
        const core::Size size = observed->size;
        if (core::sameSize(size, takeoverFrame.size, sizeTolerance)) {
            finished_ = true;
            result.reveal = true;
            return result;
        }
        // Neither the asked nor the old size: the application settled on its own. The
        // main thread may not have taken the last recentre in yet; one post per size.
        const bool settled = !core::sameSize(size, frameBefore_.size, sizeTolerance);
        if (settled && !(lastPosted_ && core::sameSize(size, *lastPosted_, sizeTolerance))) {
            lastPosted_ = size;
            result.recentre = centredInBox(size, box_);
        }
    }
    if (passes_ >= maxPasses) {
        finished_ = true;
        result.reveal = true;
    }
    return result;
}

bool postApplies(std::uint64_t postGeneration, std::uint64_t currentGeneration, bool takeoverActive, bool pinned)
{
    return postGeneration == currentGeneration && takeoverActive && pinned;
}

bool revealApplies(std::uint64_t postGeneration, std::uint64_t currentGeneration)
{
    return postGeneration == currentGeneration;
}

std::string pollRecentreLogLine(const core::Rect& frame)
{
    return "钳制观察: 实际 " + capture::wholeText(frame.width()) + "x" + capture::wholeText(frame.height()) +
           " ≠ 期望 → 重新居中 " + core::pointText(frame.origin);
}

bool clampHeld(const std::optional<core::Rect>& frameNow, core::Size checkedSize)
{
    return frameNow && core::sameSize(frameNow->size, checkedSize, ReadinessPoll::sizeTolerance);
}

}  // namespace pin

#include "parking/ledger/WindowList.h"

#include "capture/NumberText.h"
#include "platform/desktop/Desktop.h"

namespace parking::windowlist {
namespace {

std::optional<desktop::WindowInfo> entry(desktop::WindowID windowID)
{
    const auto list = desktop::windowServer().windowList(desktop::WindowListOption::includingWindow, windowID);
    if (!list || list->empty()) return std::nullopt;
    return list->front();
}

}  // namespace

std::optional<core::Rect> bounds(desktop::WindowID windowID)
{
    const auto info = entry(windowID);
    if (!info) return std::nullopt;
    return info->bounds;
}

desktop::DisplayID display(const core::Rect& rect)
{
    auto& displays = desktop::displays();
    if (const auto id = displays.displayAt(core::Point{rect.midX(), rect.midY()})) return *id;
    return displays.mainDisplayID().value_or(0);
}

std::optional<Owner> ownerInfo(desktop::WindowID windowID)
{
    const auto info = entry(windowID);
    if (!info || !info->ownerPid) return std::nullopt;
    return Owner{*info->ownerPid, info->ownerName.value_or("?")};
}

std::string rectDesc(const core::Rect& rect)
{
    using capture::wholeText;
    return "(" + wholeText(rect.minX()) + "," + wholeText(rect.minY()) + " " + wholeText(rect.width()) + "x" +
           wholeText(rect.height()) + ")";
}

}  // namespace parking::windowlist

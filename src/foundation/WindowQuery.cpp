#include "foundation/WindowQuery.h"

#include "platform/desktop/Desktop.h"

namespace WindowQuery {

std::optional<desktop::WindowInfo> onScreenInfo(desktop::WindowID windowID)
{
    const auto list = desktop::windowServer().windowList(desktop::WindowListOption::includingWindow, windowID);
    if (!list || list->empty()) return std::nullopt;
    const auto& first = list->front();
    if (!first.isOnscreen.value_or(false)) return std::nullopt;
    return first;
}

std::optional<desktop::WindowInfo> listedInfo(desktop::WindowID windowID)
{
    const auto list = desktop::windowServer().windowList(desktop::WindowListOption::all);
    if (!list) return std::nullopt;
    for (const auto& entry : *list) {
        if (entry.number == windowID) return entry;
    }
    return std::nullopt;
}

core::Rect boundsOf(const desktop::WindowInfo& info) { return info.bounds.value_or(core::Rect{}); }

}  // namespace WindowQuery

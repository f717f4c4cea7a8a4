#include "capture/OcclusionProbe.h"

#include "capture/NumberText.h"
#include "platform/desktop/Desktop.h"

#include <cmath>

namespace OcclusionProbe {
namespace {

constexpr double coverTolerance = 1;
constexpr double cornerRadius = 10;

std::optional<WindowList> onScreenList()
{
    return desktop::windowServer().windowList(desktop::WindowListOption::onScreenOnly, 0, true);
}

// Where two windows' corners nearly coincide, the covered window's corner shows through
// the cut-off of the occluder's rounded corner.
bool entersCornerNotch(const core::Rect& target, const core::Rect& occluder)
{
    const core::Point targetCorners[] = {{target.minX(), target.minY()},
                                         {target.maxX(), target.minY()},
                                         {target.minX(), target.maxY()},
                                         {target.maxX(), target.maxY()}};
    const core::Point occluderCorners[] = {{occluder.minX(), occluder.minY()},
                                           {occluder.maxX(), occluder.minY()},
                                           {occluder.minX(), occluder.maxY()},
                                           {occluder.maxX(), occluder.maxY()}};
    for (int i = 0; i < 4; ++i) {
        const double dx = std::fabs(targetCorners[i].x - occluderCorners[i].x);
        const double dy = std::fabs(targetCorners[i].y - occluderCorners[i].y);
        const double ix = cornerRadius - dx;
        const double iy = cornerRadius - dy;
        if (dx < cornerRadius && dy < cornerRadius && ix * ix + iy * iy > cornerRadius * cornerRadius) return true;
    }
    return false;
}

bool covers(const desktop::WindowInfo& entry, const core::Rect& target)
{
    if (entry.layer != 0L) return false;
    const auto bounds = boundsRect(entry);
    if (!bounds) return false;
    if (!bounds->insetBy(-coverTolerance, -coverTolerance).contains(target)) return false;
    return !entersCornerNotch(target, *bounds);
}

bool ignored(const desktop::WindowInfo& entry, const std::set<desktop::WindowID>& excluding,
             const std::set<desktop::Pid>& excludingPids)
{
    if (excluding.count(entry.number)) return true;
    return entry.ownerPid && excludingPids.count(*entry.ownerPid);
}

}  // namespace

std::optional<core::Rect> boundsRect(const desktop::WindowInfo& entry) { return entry.bounds; }

std::optional<std::pair<std::size_t, desktop::WindowInfo>> indexOf(desktop::WindowID windowID, const WindowList& list)
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].number == windowID) return std::make_pair(i, list[i]);
    }
    return std::nullopt;
}

std::optional<desktop::WindowInfo> occluderInfo(desktop::WindowID windowID, const std::optional<core::Rect>& containing,
                                                const std::set<desktop::WindowID>& excluding,
                                                const std::set<desktop::Pid>& excludingPids, const WindowList* in)
{
    std::optional<WindowList> fetched;
    if (!in) {
        fetched = onScreenList();
        if (!fetched) return std::nullopt;
        in = &*fetched;
    }
    const WindowList& list = *in;
    std::size_t position = 0;
    for (; position < list.size(); ++position) {
        if (list[position].number == windowID) break;
    }
    if (position == list.size() || position == 0) return std::nullopt;

    const auto target = containing ? containing : boundsRect(list[position]);
    if (!target) return std::nullopt;
    for (std::size_t i = 0; i < position; ++i) {
        const desktop::WindowInfo& entry = list[i];
        if (entry.number == 0 || ignored(entry, excluding, excludingPids)) continue;
        if (covers(entry, *target)) return entry;
    }
    return std::nullopt;
}

std::optional<std::string> siblingOccluder(desktop::WindowID windowID, const core::Rect& rect,
                                           const std::set<desktop::WindowID>& excluding,
                                           const std::set<desktop::Pid>& excludingPids)
{
    const auto list = onScreenList();
    if (!list) return std::string("（读不到窗口列表，保守视为仍被遮挡）");
    const auto found = indexOf(windowID, *list);
    if (!found || !found->second.ownerPid) return std::string("（源窗口不在在屏列表，保守视为仍被遮挡）");
    const desktop::Pid owner = *found->second.ownerPid;
    for (const desktop::WindowInfo& entry : *list) {
        if (entry.number == windowID || ignored(entry, excluding, excludingPids)) continue;
        if (entry.ownerPid != owner) continue;
        if (covers(entry, rect)) return describe(entry);
    }
    return std::nullopt;
}

std::string describe(const desktop::WindowInfo& entry)
{
    std::string text = entry.ownerName.value_or("?") + "(pid " + std::to_string(entry.ownerPid.value_or(0)) + ")";
    if (const auto bounds = boundsRect(entry)) text += " " + rectDesc(*bounds);
    return text;
}

std::string rectDesc(const core::Rect& rect)
{
    return capture::wholeSizeText(rect.width(), rect.height()) + "@(" + capture::wholeText(rect.minX()) + "," +
           capture::wholeText(rect.minY()) + ")";
}

}  // namespace OcclusionProbe

#include "panels/pin/TakeoverReadBack.h"

#include "capture/NumberText.h"
#include "panels/pin/ReadinessPoll.h"
#include "panels/pin/TakeoverGeometry.h"

namespace pin {

namespace {

std::string boundsText(const std::optional<core::Rect>& bounds)
{
    if (!bounds) return "(?,?,?,?)";
    return "(" + core::numberText(bounds->x()) + "," + core::numberText(bounds->y()) + "," +
           core::numberText(bounds->width()) + "," + core::numberText(bounds->height()) + ")";
}

// The owners of the first three named windows in front of the entry at depth.
std::string ownersAbove(const std::vector<desktop::WindowInfo>& onScreen, std::size_t depth)
{
    std::string text;
    int named = 0;
    for (std::size_t i = 0; i < depth && named < 3; ++i) {
        if (!onScreen[i].ownerName) continue;
        if (named++ > 0) text += "|";
        text += *onScreen[i].ownerName;
    }
    return text;
}

}  // namespace

ReadBack readBack(const std::vector<desktop::WindowInfo>& onScreen, desktop::WindowID windowID,
                  const core::Rect& takeoverFrame, const core::Rect& box)
{
    ReadBack result;
    std::size_t depth = 0;
    while (depth < onScreen.size() && onScreen[depth].number != windowID) ++depth;
    if (depth == onScreen.size()) {
        result.logLines.push_back("接管回读: ⚠ 窗口不在屏幕窗口列表中（可能被最小化/移到其他空间/隐藏）windowID=" +
                                  std::to_string(windowID));
        return result;
    }

    const desktop::WindowInfo& entry = onScreen[depth];
    result.logLines.push_back("接管回读: 窗口在屏 ✓ z序=" + std::to_string(depth) + "/" +
                              std::to_string(onScreen.size()) + " 实际CG=" + boundsText(entry.bounds) +
                              " 期望=" + core::rectText(takeoverFrame) + " 上方窗口=" + ownersAbove(onScreen, depth));

    const double W = entry.bounds ? entry.bounds->width() : 0;
    const double H = entry.bounds ? entry.bounds->height() : 0;
    if (W > 0 && H > 0 && !core::sameSize({W, H}, takeoverFrame.size, ReadinessPoll::sizeTolerance)) {
        result.recentre = centredInBox({W, H}, box);
        result.logLines.push_back("接管回读: 尺寸被应用钳制 " + capture::wholeText(W) + "x" + capture::wholeText(H) +
                                  " ≠ 期望 → 按实际尺寸重新居中");
    }
    return result;
}

}  // namespace pin

#include "panels/rules/PanelLayoutLog.h"

#include <cmath>
#include <cstdio>

namespace panels {

namespace {

std::string panelText(const std::optional<std::string>& appName, desktop::WindowID windowID)
{
    return "[" + appName.value_or("?") + "] #" + std::to_string(windowID);
}

std::string sizeText(double width, double height) { return roundedText(width) + "x" + roundedText(height); }

std::string frameText(const core::Rect& frame)
{
    return roundedText(frame.x()) + "," + roundedText(frame.y()) + " " + sizeText(frame.width(), frame.height());
}

}  // namespace

std::string roundedText(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.0f", value);
    return text;
}

std::string rollbackLine(const std::optional<std::string>& appName, desktop::WindowID windowID, const std::string& reason,
                         const core::Rect& from, const std::string& label, const core::Rect& to)
{
    return "小窗越界回滚: " + panelText(appName, windowID) + " " + reason + "后压在虚拟屏上（" + frameText(from) +
           "）⇒ " + label + " → " + frameText(to);
}

std::string rollbackGiveUpLine(const std::optional<std::string>& appName, desktop::WindowID windowID,
                               const std::string& reason)
{
    return "小窗越界回滚: " + panelText(appName, windowID) + " " + reason +
           "后压在虚拟屏上，但三个落点都不可用 ⇒ 放弃（窗口留在原地，不做重试）";
}

std::string rescueLine(const std::optional<std::string>& appName, desktop::WindowID windowID,
                       const std::string& screenName)
{
    return "小窗自愈: " + panelText(appName, windowID) + " 压在虚拟屏上（用户看不见、关不掉）→ 先拉回真屏 " +
           screenName + "，随后重排";
}

std::string rebuildSizeLine(const std::optional<std::string>& appName, core::Size size, const core::Rect& visibleFrame,
                            std::optional<core::Size> sourceBounds)
{
    return "显示器变化: [" + appName.value_or("?") + "] 重算尺寸 → " + sizeText(size.width, size.height) +
           " 屏对角线=" + roundedText(std::hypot(visibleFrame.width(), visibleFrame.height())) +
           " 面积=" + roundedText(size.width * size.height) +
           " 源在屏=" + (sourceBounds ? sizeText(sourceBounds->width, sourceBounds->height) : std::string("离屏"));
}

std::string arrangedLine(std::size_t panelCount)
{
    return "显示器变化: 已自动排列 " + std::to_string(panelCount) + " 扇小窗（右缘竖排）";
}

std::string reconfigurationLine(std::size_t changedCount)
{
    return "显示器配置变化: " + std::to_string(changedCount) +
           " 扇换屏小窗重算尺寸，全部小窗自动排列（同屏未换的只动位置不动尺寸）";
}

}  // namespace panels

#include "panels/rules/PressClassification.h"

#include "foundation/LogText.h"

#include <cmath>
#include <cstdio>

namespace panels {

namespace {

std::string twoDecimals(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

}  // namespace

PressDecision classifyPress(core::Point local, int clickCount, double topBarAlpha, const FocusRegion& focus)
{
    const bool single = clickCount < 2;
    if (topBarAlpha > 0.5 && local.y <= barBandHeight) {
        if (single) return {PressKind::barDrag, "单击工具条→窗口拖动"};
        return {PressKind::barDouble, "双击工具条→聚焦源窗口"};
    }
    if (!single) return {PressKind::pictureDouble, {}};
    if (focus.isWholeWindow()) return {PressKind::pinAfterDelay, {}};
    return {PressKind::focusHint, "单击画面→聚焦态（选区 " + twoDecimals(focus.x) + "," + twoDecimals(focus.y) + " " +
                                      twoDecimals(focus.w) + "×" + twoDecimals(focus.h) + "），不进入固定预览"};
}

std::string pictureDoubleClickLogLine(bool opensOriginal)
{
    return opensOriginal ? "双击画面→打开原应用并关闭小窗（用户设置开启）" : "双击画面→退出固定并聚焦源窗口";
}

DelayedClickVerdict delayedClickVerdict(core::Point pointer, core::Point downPoint, unsigned pressedButtons)
{
    const double distance = std::hypot(pointer.x - downPoint.x, pointer.y - downPoint.y);
    const bool held = pressedButtons != 0;
    if (!held && distance <= clickSlop) return {true, {}};
    return {false, "单击动作取消: 仍在拖拽=" + boolText(held) +
                       " 位移=" + std::to_string(static_cast<long long>(distance)) + "pt（缩放/拖动）→ 不进固定预览"};
}

}  // namespace panels

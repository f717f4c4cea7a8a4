#include "panels/rules/GlobalClickDecision.h"

#include "capture/NumberText.h"
#include "panels/pin/TakeoverGeometry.h"

#include <cmath>

namespace panels {

namespace {

std::string ownerOf(const GlobalClick& click) { return click.ownerName ? click.ownerName(click.eventWindow) : "?"; }

std::string miniWindowsText(const std::vector<MiniWindowFrame>& miniWindows)
{
    std::string text;
    for (const MiniWindowFrame& mini : miniWindows) {
        if (!text.empty()) text += " ";
        const core::Rect& f = mini.frame;
        text += "[" + mini.appName.value_or("?") + " AK框=" + capture::wholeText(f.x()) + "," +
                capture::wholeText(f.y()) + "," + capture::wholeText(f.width()) + "x" + capture::wholeText(f.height()) +
                "]";
    }
    return text;
}

GlobalClickDecision ignored(GlobalClickDecision::Kind kind, std::string logLine = {}, bool crossSpaceHint = false)
{
    GlobalClickDecision decision;
    decision.kind = kind;
    decision.logLine = std::move(logLine);
    decision.showCrossSpaceHint = crossSpaceHint;
    return decision;
}

}  // namespace

GlobalClickDecision decideGlobalClick(const GlobalClick& click)
{
    using Kind = GlobalClickDecision::Kind;
    if (click.now - click.lastForwardTime < forwardQuietTime) return ignored(Kind::ignoreForwarded);

    if (click.takeoverActive && click.eventWindow == click.targetWindow) {
        if (!click.takeoverCrossSpace) return ignored(Kind::ignoreSourceWindow);
        return ignored(Kind::ignoreSourceWindow, "跨桌面接管: 点击预览内容 → 提示仅预览不可交互", true);
    }

    const core::Point m = click.pointer;
    for (const MiniWindowFrame& mini : click.miniWindows) {
        if (mini.frame.insetBy(-miniWindowMargin, -miniWindowMargin).contains(m)) {
            return ignored(Kind::ignoreMiniWindow, "全局点击落点在PIP内(win=" + std::to_string(click.eventWindow) +
                                                       "=" + ownerOf(click) + ")→不退出");
        }
    }

    for (const ui::Screen& screen : click.screens) {
        if (!screen.frame.contains(m)) continue;
        if (click.panelScreen && *click.panelScreen == screen) break;
        const std::string panelName = click.panelScreen ? click.panelScreen->localizedName : "?";
        return ignored(Kind::ignoreOtherScreen,
                       "全局点击在其他屏幕(" + screen.localizedName + ")→不退出本屏(" + panelName + ")固定预览");
    }

    const double H = pin::flipHeight(click.screens, std::nullopt);
    const core::Point c{m.x, H - m.y};
    const std::optional<desktop::Pid> pid = click.ownerPidAt ? click.ownerPidAt(c) : std::nullopt;
    std::string line = "全局点击→退出固定: win=" + std::to_string(click.eventWindow) + "=" + ownerOf(click) +
                       " target=" + std::to_string(click.targetWindow) + " 落点cg=(" + capture::wholeText(c.x) + "," +
                       capture::wholeText(c.y) + ") ml=(" + capture::wholeText(m.x) + "," + capture::wholeText(m.y) +
                       ") 点击应用pid=" + (pid ? std::to_string(*pid) : std::string("无(桌面)")) +
                       " PIP们=" + miniWindowsText(click.miniWindows);
    return {Kind::leave, false, std::move(line), pid, click.eventWindow};
}

}  // namespace panels

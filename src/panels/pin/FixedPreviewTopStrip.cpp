#include "panels/pin/FixedPreviewTopStrip.h"

#include "capture/OcclusionProbe.h"
#include "foundation/Diag.h"
#include "foundation/WindowQuery.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"

#include <string>

namespace pin::FixedPreviewTopStrip {

namespace {

struct State {
    std::optional<desktop::Token> tap;
    desktop::WindowID targetWindowNumber = 0;
    std::function<void()> onDouble;
    std::uint64_t installation = 0;
    std::uint64_t lastInstallation = 0;
};

State& state()
{
    static State instance;
    return instance;
}

}  // namespace

std::uint64_t install(desktop::WindowID targetWindowNumber, std::function<void()> onDouble)
{
    uninstall();
    State& s = state();
    s.targetWindowNumber = targetWindowNumber;
    s.onDouble = std::move(onDouble);
    s.installation = ++s.lastInstallation;
    // Said once at launch: a desktop without taps is no failure of this pin.
    if (!desktop::input().hasEventTaps()) return s.installation;
    const std::uint64_t mask =
        desktop::maskOf(desktop::EventType::leftMouseDown) | desktop::maskOf(desktop::EventType::leftMouseUp);
    s.tap = desktop::input().createEventTap(mask, [](const desktop::Event& event) { return tapCallback(event); });
    if (!s.tap) {
        Diag::log("固定预览顶边条: tap 创建失败");
        return s.installation;
    }
    desktop::input().setEventTapEnabled(*s.tap, true);
    Diag::log("固定预览顶边条: 已安装 win=" + std::to_string(targetWindowNumber));
    return s.installation;
}

void logAvailabilityAtLaunch()
{
    if (!desktop::input().hasEventTaps())
        Diag::log("固定预览顶边条: 此桌面没有事件 tap ⇒ 双击被接管窗口的顶边不退出固定");
}

void uninstall(std::uint64_t installation)
{
    if (installation != 0 && installation == state().installation) uninstall();
}

void uninstall()
{
    State& s = state();
    if (s.tap) {
        desktop::input().setEventTapEnabled(*s.tap, false);
        desktop::input().removeEventTap(*s.tap);
    }
    s.tap.reset();
    s.targetWindowNumber = 0;
    s.onDouble = nullptr;
    s.installation = 0;
}

bool tapCallback(const desktop::Event& event)
{
    const State& s = state();
    if (event.type != desktop::EventType::leftMouseDown && event.type != desktop::EventType::leftMouseUp) return true;
    if (s.targetWindowNumber == 0 || !s.onDouble || event.clickState < 2) return true;
    const auto entry = WindowQuery::onScreenInfo(s.targetWindowNumber);
    if (!entry) return true;
    const auto bounds = OcclusionProbe::boundsRect(*entry);
    if (!bounds || !bounds->contains(event.location) || event.location.y > bounds->minY() + stripHeight) return true;
    Diag::log("固定预览顶边条: 双击顶边 → 退出固定并打开原应用");
    dispatch::main().async(s.onDouble);
    return false;
}

desktop::WindowID targetWindowNumber() { return state().targetWindowNumber; }

bool tapInstalled() { return state().tap.has_value(); }

}  // namespace pin::FixedPreviewTopStrip

#include "panels/pin/ActivationPlan.h"

#include <algorithm>

namespace pin {

LeaveRequest leaveRequest(LeaveCause cause, std::optional<desktop::Pid> clickedPid,
                          std::optional<desktop::WindowID> clickedWindow)
{
    switch (cause) {
    case LeaveCause::outsideClick: return {clickedPid, clickedWindow, true};
    case LeaveCause::escape:
    case LeaveCause::marginClick: return {std::nullopt, std::nullopt, true};
    case LeaveCause::pictureDoubleClick:
    case LeaveCause::topStripDoubleClick:
    case LeaveCause::edgeResize:
    case LeaveCause::closePanel: break;
    }
    return {std::nullopt, std::nullopt, false};
}

ActivationPlan activationPlan(const LeaveRequest& request, const LeaveState& state)
{
    ActivationPlan plan;
    if (request.frontPid && *request.frontPid != 0) {
        const desktop::Pid front = *request.frontPid;
        // Window number 0 names no window: the click counts as one without a window.
        const bool hasWindow = request.frontWindowID && *request.frontWindowID != 0;
        if (state.takeoverPID != 0 && state.takeoverPID == front && hasWindow) {
            plan.raise = WindowRaise{front, *request.frontWindowID};
            plan.logLines.push_back("退出固定: 落点属源应用自己（win=" + std::to_string(*request.frontWindowID) +
                                    ", pid=" + std::to_string(front) + "）⇒ 跳过 LS 激活，只用窗口级 AXRaise");
        } else {
            plan.pids.push_back(front);
        }
        return plan;
    }
    if (!request.restoreFrontOrder) return plan;

    for (const RaiseEntry& entry : state.prePinRaiseList) {
        if (std::find(plan.pids.begin(), plan.pids.end(), entry.pid) == plan.pids.end()) plan.pids.push_back(entry.pid);
    }
    if (!plan.pids.empty()) return plan;

    const desktop::Pid previous = state.prePinFrontAppPid;
    if (previous != 0 && previous != state.ownPid) {
        plan.pids.push_back(previous);
        plan.logLines.push_back("退出固定: 叠放列表为空 ⇒ 把前台交还给固定前的前台应用 pid=" + std::to_string(previous) +
                                "（否则源应用会继续留在最前 = 观感「原应用被打开」）");
    } else {
        plan.logLines.push_back("退出固定: 叠放列表为空且无「固定前前台应用」可交还（pid=" + std::to_string(previous) +
                                "）⇒ 不动前台");
    }
    return plan;
}

bool activationRuns(bool appRunning, bool viewExists, bool viewPinned)
{
    return appRunning && !(viewExists && viewPinned);
}

}  // namespace pin

#include "foundation/EventBridge.h"

#include "foundation/Diag.h"
#include "foundation/LogText.h"
#include "foundation/OwningApplication.h"
#include "foundation/WindowQuery.h"
#include "parking/WindowParking.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"

namespace EventBridge {
namespace {

std::string windowListText(const std::vector<desktop::WindowID>& ids)
{
    std::string text = "[";
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (i > 0) text += ", ";
        text += std::to_string(ids[i]);
    }
    return text + "]";
}

// An off-screen window is most often minimised: un-minimise it through accessibility.
void restoreMinimized(desktop::Pid pid, desktop::WindowID windowID)
{
    const std::string id = std::to_string(windowID);
    if (!desktop::accessibility().isTrusted()) {
        Diag::log("还原窗口失败: 无辅助功能权限 id=" + id);
        return;
    }
    const auto list = axWindows(pid, true);
    if (!list) return;
    if (const auto element = list->element(windowID)) {
        const desktop::ax::Error result = desktop::accessibility().setAttribute(*element, desktop::ax::minimized, false);
        Diag::log("还原最小化窗口: id=" + id + " 结果=" + std::to_string(result));
        return;
    }
    Diag::log("还原窗口失败: AX 列表(" + std::to_string(list->windowIDs.size()) + "个" +
              windowListText(list->windowIDs) + ")中无 id=" + id);
}

void logFocusResult(const std::string& targetBundleID)
{
    const auto front = desktop::workspace().frontmostApplication();
    const bool hasFrontID = front && !front->bundleIdentifier.empty();
    Diag::log("focus 结果: 前台=" + (hasFrontID ? front->bundleIdentifier : std::string("-")) +
              " 目标=" + targetBundleID + " 命中=" + boolText(hasFrontID && front->bundleIdentifier == targetBundleID));
}

}  // namespace

void activate(const desktop::RunningApp& app)
{
    auto& workspace = desktop::workspace();
    if (!app.bundlePath) {
        workspace.activate(app.pid, {});
        return;
    }
    Diag::log("activate(LaunchServices): " + (app.name.empty() ? std::string("?") : app.name) +
              " pid=" + std::to_string(app.pid));
    workspace.openApplication(*app.bundlePath, true, [](std::optional<desktop::Error> error) {
        if (error) Diag::log("activate(LaunchServices) 失败: " + error->localizedDescription);
    });
}

void focus(const desktop::ShareableWindow& window)
{
    if (!window.owningApplication) return;
    const desktop::WindowID windowID = window.windowID;
    const std::string bundleID = window.owningApplication->bundleIdentifier;
    const auto app = owningApplication(bundleID, window.owningApplication->processID);

    auto& parking = WindowParking::shared();
    const bool broughtBack = parking.queue().syncResult([&] { return parking.bringBackForUser(windowID); });

    const bool onScreen = WindowQuery::onScreenInfo(windowID).has_value();
    Diag::log("focus: id=" + std::to_string(windowID) + " onScreen=" + boolText(onScreen) +
              " pid=" + std::to_string(app ? app->pid : -1));
    if (app) {
        if (!onScreen) restoreMinimized(app->pid, windowID);
        desktop::workspace().activate(app->pid, {});
        if (broughtBack) raiseWindow(app->pid, windowID);
    }
    dispatch::main().asyncAfter(0.35, [bundleID] { logFocusResult(bundleID); });
}

}  // namespace EventBridge

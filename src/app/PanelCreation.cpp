#include "app/AppDelegate.h"

#include "capture/Catalog.h"
#include "foundation/Diag.h"
#include "foundation/EventBridge.h"
#include "foundation/L10n.h"
#include "panels/views/PanelContentView.h"
#include "panels/PipPanel.h"
#include "panels/selector/RegionSelector.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"
#include "platform/ui/AlertPresenter.h"

#include <algorithm>

// The ways a mini window is made; each ends in createPanel.
namespace app {
namespace {

constexpr double duplicateHintSeconds = 2.5;
constexpr double focusHintSeconds = 3.0;
constexpr double focusOnWindowDelay = 0.35;

// A window listed before its number was given to another window is not that window.
const desktop::ShareableWindow* findWindow(const std::vector<desktop::ShareableWindow>& windows,
                                           desktop::WindowID windowID)
{
    const auto life = desktop::windowServer().windowLife(windowID);
    const auto found = std::find_if(windows.begin(), windows.end(), [&](const desktop::ShareableWindow& w) {
        return w.windowID == windowID && w.life == life;
    });
    return found == windows.end() ? nullptr : &*found;
}

std::string ownerName(const desktop::ShareableWindow& window)
{
    return window.owningApplication ? window.owningApplication->applicationName : "?";
}

bool screenRecordingAllowed() { return desktop::permissions().screenCapturePreflight(); }

}  // namespace

void AppDelegate::createPanel(const desktop::ShareableWindow& window, const panels::FocusRegion& focus,
                              const std::string& reason)
{
    const bool focusRequest = !focus.isWholeWindow();
    const desktop::Pid pid = window.owningApplication ? window.owningApplication->processID : 0;
    Diag::log("建窗: 原因=[" + reason + "] 源=" + ownerName(window) + "(pid " + std::to_string(pid) + ") 窗口#" +
              std::to_string(window.windowID) + " 聚焦=" + (focusRequest ? "是" : "整窗"));

    if (frontExistingPanel(window, focusRequest)) return;

    auto* panel = new PipPanel(window, focus);
    // Placed before it is shown: the window manager shows it where it stays.
    PipPanel::tileAll();
    panel->orderFront();
    if (focusRequest) panel->content->showTransientHint(L10n::t("已聚焦局部：单击不能固定预览"), focusHintSeconds);
}

bool AppDelegate::frontExistingPanel(const desktop::ShareableWindow& window, bool focusRequest)
{
    for (PipPanel* panel : PipPanel::all()) {
        if (panel->target.windowID != window.windowID || panel->target.life != window.life) continue;
        panel->orderFront();
        panel->content->showChromeTemporarily();
        if (focusRequest)
            panel->content->showTransientHint(L10n::t("此窗口已有小窗，不重复创建"), duplicateHintSeconds);
        return true;
    }
    return false;
}

void AppDelegate::resolveWindow(desktop::WindowID windowID, const std::string& reason,
                                std::function<void(const desktop::ShareableWindow&)> done)
{
    if (const auto* cached = findWindow(cachedWindows(), windowID)) {
        // A copy: done may change the cached list.
        const desktop::ShareableWindow window = *cached;
        done(window);
    } else {
        Catalog::list([windowID, done = std::move(done)](Catalog::Listing listing) {
            dispatch::main().async([windowID, done, listing = std::move(listing)] {
                if (const auto* window = findWindow(listing.windows, windowID)) {
                    done(*window);
                    return;
                }
                Diag::log("窗口解析: id=" + std::to_string(windowID) + " 已不在可捕获窗口列表");
            });
        });
    }
    Diag::log("解析窗口 #" + std::to_string(windowID) + ": 原因=[" + reason + "] 入口完成");
}

void AppDelegate::triggerClicked(desktop::WindowID windowID)
{
    if (!screenRecordingAllowed()) {
        showScreenPermissionAlert();
        return;
    }
    const std::string reason = "悬停触发块·点击";
    resolveWindow(windowID, reason, lifetime_.guard([reason](AppDelegate& self, const desktop::ShareableWindow& window) {
        self.createPanel(window, panels::FocusRegion{}, reason);
    }));
}

void AppDelegate::triggerFocusDragged(desktop::WindowID windowID)
{
    if (!screenRecordingAllowed()) {
        showScreenPermissionAlert();
        return;
    }
    resolveWindow(windowID, "悬停⌥拖拽·进入框选",
                  lifetime_.guard([](AppDelegate& self, const desktop::ShareableWindow& window) {
                      self.beginFocusCreate(window);
                  }));
}

void AppDelegate::captureFrontmost()
{
    const std::string prefix = "小窗化当前窗口: ";
    Diag::log(prefix + "触发（快捷键 ⌥⌘P 或菜单项）");
    if (!screenRecordingAllowed()) {
        Diag::log(prefix + "无屏幕录制权限 ⇒ 弹权限提示后放弃");
        showScreenPermissionAlert();
        return;
    }
    auto& workspace = desktop::workspace();
    const auto front = workspace.frontmostApplication();
    if (!front) {
        Diag::log(prefix + "读不到前台应用 ⇒ 放弃");
        return;
    }
    // By process, not by bundle identifier: another copy, or an application without an
    // identifier, is not this process.
    if (front->pid == workspace.ownPid()) {
        Diag::log(prefix + "前台是我们自己 ⇒ 放弃");
        return;
    }
    Diag::log(prefix + "前台=" + (front->bundleIdentifier.empty() ? "?" : front->bundleIdentifier) +
              " pid=" + std::to_string(front->pid));

    const auto list = desktop::windowServer().windowList(desktop::WindowListOption::onScreenOnly);
    if (!list) return;
    const auto entry = std::find_if(list->begin(), list->end(), [&](const desktop::WindowInfo& info) {
        return info.ownerPid == front->pid && info.layer == 0L && info.number != 0;
    });
    if (entry == list->end()) {
        Diag::log(prefix + "前台应用没有 layer-0 在屏窗口 ⇒ 放弃");
        return;
    }
    const desktop::WindowID target = entry->number;
    const desktop::Pid frontPid = front->pid;
    const auto createFromListing = lifetime_.guard([target, frontPid](AppDelegate& self, const Catalog::Listing& listing) {
        const auto* window = findWindow(listing.windows, target);
        if (!window) {
            // Another window of the same process; a window without an owner never matches.
            const auto sameProcess = std::find_if(listing.windows.begin(), listing.windows.end(), [&](const auto& w) {
                return w.owningApplication && w.owningApplication->processID == frontPid;
            });
            if (sameProcess != listing.windows.end()) window = &*sameProcess;
        }
        if (window) self.createPanel(*window, panels::FocusRegion{}, "快捷键/菜单·小窗化当前窗口(captureFrontmost)");
    });
    Catalog::list(*list, [createFromListing](Catalog::Listing listing) {
        dispatch::main().async([createFromListing, listing = std::move(listing)] { createFromListing(listing); });
    });
}

void AppDelegate::beginFocusCreate(const std::optional<desktop::ShareableWindow>& restrictTo)
{
    if (!screenRecordingAllowed()) {
        showScreenPermissionAlert();
        return;
    }
    armRegionSelector();
    selector::RegionSelector::shared().begin(restrictTo, /*armedByMouse=*/restrictTo.has_value());
}

void AppDelegate::beginFocusOnWindow(const desktop::ShareableWindow& window)
{
    if (!screenRecordingAllowed()) {
        showScreenPermissionAlert();
        return;
    }
    Diag::log("菜单聚焦: 先打开原应用 id=" + std::to_string(window.windowID) + " owner=" + ownerName(window) +
              " 再框选");
    EventBridge::focus(window);
    dispatch::main().asyncAfter(focusOnWindowDelay, lifetime_.guard([window](AppDelegate& self) {
        self.armRegionSelector();
        selector::RegionSelector::shared().begin(window, /*armedByMouse=*/false);
    }));
}

void AppDelegate::armRegionSelector()
{
    selector::RegionSelector::shared().onFinish =
        lifetime_.guard([](AppDelegate& self, desktop::WindowID windowID, const panels::FocusRegion& region) {
            self.makeFocusedPanel(windowID, region);
        });
}

void AppDelegate::makeFocusedPanel(desktop::WindowID windowID, const panels::FocusRegion& region)
{
    resolveWindow(windowID, "框选结果·建聚焦小窗",
                  lifetime_.guard([region](AppDelegate& self, const desktop::ShareableWindow& window) {
                      self.createPanel(window, region, "框选建窗（⌥⌘F / 悬停⌥拖拽）");
                  }));
}

void AppDelegate::showScreenPermissionAlert()
{
    desktop::permissions().requestScreenCapture();
    auto& workspace = desktop::workspace();
    workspace.activate(workspace.ownPid(), {.ignoringOtherApps = true});
    ui::AlertPresenter::shared().runModal(
        {.messageText = L10n::t("需要屏幕录制权限"),
         .informativeText = L10n::t("Glimra 需要屏幕录制权限才能创建小窗。\n\n请到 系统设置 → 隐私与安全性 → 屏幕录制 "
                                    "中开启 Glimra，然后重新启动 Glimra 生效。"),
         .buttonTitles = {},
         .style = ui::AlertStyle::warning});
}

}  // namespace app

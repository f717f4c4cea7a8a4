#include "app/DebugHooks.h"

#include "app/SmallestWindow.h"
#include "capture/Catalog.h"
#include "capture/NumberText.h"
#include "foundation/Diag.h"
#include "panels/PipPanel.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"
#include "platform/ui/SignalPipe.h"

#include <QWidget>

#include <algorithm>
#include <charconv>
#include <csignal>

namespace DebugHooks {

namespace {

constexpr std::string_view showSettingsArgument = "-glimra-show-settings";
constexpr std::string_view tabArgument = "-glimra-tab=";
constexpr double settingsDelay = 0.3;
// How far around a mini window a click counts as a near miss.
constexpr double nearMissMargin = 24;

// Distance outside the span along one axis; 0 inside.
double overshoot(double value, double min, double max)
{
    if (value < min) return value - min;
    if (value > max) return value - max;
    return 0;
}

void logNearMisses(core::Point p)
{
    for (PipPanel* panel : PipPanel::all()) {
        if (!panel->isVisible()) continue;
        const core::Rect frame = panel->frame();
        if (frame.contains(p) || !frame.insetBy(-nearMissMargin, -nearMissMargin).contains(p)) continue;
        Diag::log("PIP邻域外部点击: 落点=(" + capture::wholeText(p.x) + "," + capture::wholeText(p.y) + ") PIP=" +
                  core::rectText(frame) + " 偏出(dx=" + capture::wholeText(overshoot(p.x, frame.minX(), frame.maxX())) +
                  ",dy=" + capture::wholeText(overshoot(p.y, frame.minY(), frame.maxY())) + ") —— 点击在PIP窗口外");
    }
}

void logPanelClick(const desktop::Event& event)
{
    const auto& panels = PipPanel::all();
    const auto found = std::find_if(panels.begin(), panels.end(),
                                    [&](PipPanel* panel) { return panel->windowNumber() == event.targetWindow; });
    if (found == panels.end()) return;
    PipPanel& panel = **found;
    const double flipHeight = desktop::firstScreenHeight(desktop::displays());
    const core::Point location = panel.convertFromScreen(core::flipped(event.location, flipHeight));
    std::string hitName = "nil";
    if (QWidget* content = panel.contentView()) {
        const QPoint local(static_cast<int>(location.x), static_cast<int>(content->height() - location.y));
        QWidget* hit = content->childAt(local);
        if (!hit && content->rect().contains(local)) hit = content;
        if (hit) hitName = hit->metaObject()->className();
    }
    Diag::log("local mouseDown: loc=" + core::pointText(location) + " hitTest=" + hitName +
              " click=" + std::to_string(event.clickState));
}

}  // namespace

std::optional<int> settingsTab(const std::vector<std::string>& arguments)
{
    const auto found = std::find_if(arguments.begin(), arguments.end(),
                                    [](const std::string& argument) { return argument.starts_with(tabArgument); });
    if (found == arguments.end()) return std::nullopt;
    std::string_view rest = std::string_view(*found).substr(tabArgument.size());
    if (rest.starts_with('+')) rest.remove_prefix(1);
    int tab = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), tab);
    if (rest.empty() || error != std::errc() || end != rest.data() + rest.size()) return std::nullopt;
    return tab;
}

void installDebugSignal(const std::vector<std::string>& arguments, Actions actions)
{
    if (std::find(arguments.begin(), arguments.end(), showSettingsArgument) != arguments.end()) {
        const std::optional<int> tab = settingsTab(arguments);
        Diag::log("启动参数 -glimra-show-settings" +
                  (tab ? std::string(" -glimra-tab=") + std::to_string(*tab) : std::string()) + " → 打开设置窗口");
        dispatch::main().asyncAfter(settingsDelay, [showSettings = actions.showSettings, tab] {
            if (showSettings) showSettings(tab);
        });
    }
    ui::SignalPipe::handle(SIGUSR2, [actions = std::move(actions)] {
        Diag::log("USR2 调试信号: 捕捉最小 onscreen 窗口");
        captureSmallestWindow(actions);
    });
}

// A signal sent by hand gets an answer in the log, also when it makes nothing.
void captureSmallestWindow(const Actions& actions)
{
    if (!desktop::permissions().screenCapturePreflight()) {
        Diag::log("USR2 捕捉最小窗口: 无屏幕录制权限，不创建小窗");
        return;
    }
    const auto list = desktop::windowServer().windowList(desktop::WindowListOption::onScreenOnly);
    if (!list) {
        Diag::log("USR2 捕捉最小窗口: 读不到在屏窗口列表，不创建小窗");
        return;
    }
    const auto choice = app::chooseSmallestWindow(*list, desktop::workspace().ownPid());
    if (!choice) {
        Diag::log("USR2 捕捉最小窗口: 没有其他应用的窗口达到 120x80，不创建小窗");
        return;
    }
    Diag::log("USR2 捕捉最小窗口: #" + std::to_string(choice->number) + " owner=" + choice->owner);
    Catalog::list([choice = *choice, createPanel = actions.createPanel](Catalog::Listing listing) {
        dispatch::main().async([choice, createPanel, windows = std::move(listing.windows)] {
            const auto window = app::ownedWindow(windows, choice.number, choice.ownerPid);
            if (!window) {
                Diag::log("USR2 捕捉最小窗口: #" + std::to_string(choice.number) + " 不在可捕获窗口列表中，不创建小窗");
                return;
            }
            if (createPanel) createPanel(*window, panels::FocusRegion{}, "调试钩子 SIGUSR2（抓最小窗口）");
        });
    });
}

void installDiagnostics()
{
    desktop::Input& input = desktop::input();
    const std::uint64_t mask = desktop::maskOf(desktop::EventType::leftMouseDown);
    input.addGlobalMonitor(mask, [](const desktop::Event&) {
        const core::Point pointer =
            core::flipped(desktop::input().pointerLocation(), desktop::firstScreenHeight(desktop::displays()));
        logNearMisses(pointer);
    });
    input.addLocalMonitor(mask, [](const desktop::Event& event) -> std::optional<desktop::Event> {
        logPanelClick(event);
        return event;
    });
}

}  // namespace DebugHooks

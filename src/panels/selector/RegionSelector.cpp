#include "panels/selector/RegionSelector.h"

#include "capture/OcclusionProbe.h"
#include "foundation/Diag.h"
#include "foundation/L10n.h"
#include "foundation/WindowQuery.h"
#include "panels/selector/SelectorPanel.h"
#include "panels/selector/SelectorView.h"
#include "platform/desktop/Desktop.h"
#include "platform/ui/Screen.h"

#include <QApplication>

namespace selector {

namespace {

constexpr int leftButton = 0;
constexpr int rightButton = 1;

bool buttonDown(int button) { return desktop::input().isButtonDown(button); }

}  // namespace

RegionSelector& RegionSelector::shared()
{
    // Never destroyed, so no teardown runs after the application object is gone.
    static auto* instance = new RegionSelector;
    return *instance;
}

RegionSelector::RegionSelector() = default;

RegionSelector::~RegionSelector()
{
    if (active_) teardown();
}

core::Rect RegionSelector::appkitFrame(const core::Rect& rect)
{
    return core::flipped(rect, desktop::firstScreenHeight(desktop::displays()));
}

core::Point RegionSelector::pointer()
{
    return core::flipped(desktop::input().polledPointerLocation(), desktop::firstScreenHeight(desktop::displays()));
}

void RegionSelector::begin(const std::optional<desktop::ShareableWindow>& restrictTo, bool armedByMouse)
{
    if (active_) {
        Diag::log("框选: 已在框选中，忽略重复进入");
        return;
    }
    // Without an overlay nothing could end the selection, so it does not start.
    const auto screens = ui::screens();
    if (screens.empty()) {
        Diag::log("框选: 没有屏幕，不开始");
        return;
    }

    std::optional<RegionSelectorMachine::ActiveWindow> window;
    if (restrictTo) {
        std::optional<core::Rect> bounds;
        if (const auto info = WindowQuery::onScreenInfo(restrictTo->windowID))
            bounds = OcclusionProbe::boundsRect(*info);
        window =
            RegionSelectorMachine::ActiveWindow{restrictTo->windowID, appkitFrame(bounds.value_or(restrictTo->frame))};
    }

    HoverTriggerHooks::installed().setSuspended(true);
    active_ = true;
    for (const auto& screen : screens) {
        auto* panel = new SelectorPanel(screen);
        auto* view = new SelectorView(screen);
        panel->setContentView(view);
        panel->orderFrontRegardless();
        panels_.emplace_back(panel);
        views_.emplace_back(view);
    }
    installEscMonitor();
    QApplication::setOverrideCursor(Qt::CrossCursor);
    cursorPushed_ = true;
    tickTimer_ = dispatch::Timer(dispatch::main(), tickInterval, [this, life = std::weak_ptr<int>(life_)] {
        if (!life.expired()) tick();
    });
    machine_.start(window, armedByMouse, buttonDown(rightButton));
    pushToViews();
    Diag::log(machine_.startLogLine(buttonDown(leftButton), panels_.size(), screens.front().frame.height()));
}

void RegionSelector::tick()
{
    if (!active_) return;
    auto& input = desktop::input();
    const RegionSelectorMachine::Input reading{input.polledButtonDown(leftButton), input.polledButtonDown(rightButton),
                                               pointer(), dispatch::now()};
    const auto result = machine_.tick(reading, [](core::Point p) {
        return HoverTriggerHooks::installed().windowUnder(p, RegionSelectorMachine::minPickSize);
    });
    for (const auto& line : result.logLines) Diag::log(line);
    switch (result.outcome) {
    case RegionSelectorMachine::Outcome::running: pushToViews(); break;
    case RegionSelectorMachine::Outcome::cancelled: teardown(); break;
    case RegionSelectorMachine::Outcome::finished:
        teardown();
        // A copy: the receiver may set a new one or begin again.
        if (auto finish = onFinish) finish(result.windowID, result.region);
        break;
    }
}

void RegionSelector::pushToViews()
{
    if (views_.empty()) return;
    const auto screens = ui::screens();
    std::vector<core::Rect> frames;
    for (const auto& screen : screens) frames.push_back(screen.frame);
    const auto hintIndex = machine_.hintScreen(frames, pointer());
    const std::optional<ui::Screen> hintScreen =
        hintIndex ? std::optional<ui::Screen>(screens[*hintIndex]) : std::nullopt;
    const std::string hintText = L10n::t("拖动框选要聚焦的区域") + "  ·  " + L10n::t("Esc 或右键取消");
    const auto& error = machine_.errorText();
    for (const auto& view : views_) {
        if (!view) continue;
        view->selection = machine_.selection();
        view->windowFrame = machine_.activeWindow() ? std::optional(machine_.activeWindow()->appkitFrame) : std::nullopt;
        view->showHint = hintScreen && view->hostScreen == hintScreen;
        view->hintText = hintText;
        view->errorText = error ? std::optional(L10n::t(*error)) : std::nullopt;
        view->update();
    }
}

void RegionSelector::teardown()
{
    tickTimer_.cancel();
    if (escGlobal_) desktop::input().removeMonitor(*escGlobal_);
    if (escLocal_) desktop::input().removeMonitor(*escLocal_);
    escGlobal_.reset();
    escLocal_.reset();
    if (cursorPushed_) {
        QApplication::restoreOverrideCursor();
        cursorPushed_ = false;
    }
    for (const auto& panel : panels_) {
        if (!panel) continue;
        panel->orderOut();
        delete panel.data();
    }
    panels_.clear();
    views_.clear();
    active_ = false;
    machine_.reset();
    HoverTriggerHooks::installed().setSuspended(false);
}

void RegionSelector::installEscMonitor()
{
    const auto mask = desktop::maskOf(desktop::EventType::keyDown);
    // Escape ends the selection; true when it did.
    auto escape = [this, life = std::weak_ptr<int>(life_)](const desktop::Event& event) {
        if (event.keyCode != desktop::key::escape || life.expired() || !active_) return false;
        Diag::log("框选: 取消（Esc）");
        teardown();
        return true;
    };
    // The overlays never become key, so Escape usually reaches another application.
    escGlobal_ = desktop::input().addGlobalMonitor(mask, [escape](const desktop::Event& event) { escape(event); });
    escLocal_ =
        desktop::input().addLocalMonitor(mask, [escape](const desktop::Event& event) -> std::optional<desktop::Event> {
            if (escape(event)) return std::nullopt;
            return event;
        });
}

}  // namespace selector

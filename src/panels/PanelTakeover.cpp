// The takeover: the real source window moved over the preview box, watched until it shows
// the asked size, recentred when its application keeps a size of its own.
#include "panels/PanelContentView.h"

#include "capture/OcclusionProbe.h"
#include "foundation/Diag.h"
#include "foundation/EventBridge.h"
#include "foundation/LogText.h"
#include "foundation/WindowQuery.h"
#include "panels/FixedPreviewTopStrip.h"
#include "panels/LearnedMinSizes.h"
#include "panels/ParkingLoan.h"
#include "panels/PipPanel.h"
#include "panels/PrePinStack.h"
#include "panels/PreviewContentView.h"
#include "panels/PreviewPanel.h"
#include "panels/ReadinessPoll.h"
#include "panels/TakeoverFrameCell.h"
#include "panels/TakeoverGeometry.h"
#include "panels/TakeoverReadBack.h"
#include "panels/TakeoverRestoreJob.h"
#include "panels/TopBarView.h"
#include "platform/desktop/Desktop.h"

namespace {

std::optional<std::string> bundleIDOf(const desktop::ShareableWindow& target)
{
    if (!target.owningApplication || target.owningApplication->bundleIdentifier.empty()) return std::nullopt;
    return target.owningApplication->bundleIdentifier;
}

// The bounds of the window while it is listed on screen with a size.
std::optional<core::Rect> observedBounds(desktop::WindowID windowID)
{
    const auto entry = WindowQuery::onScreenInfo(windowID);
    if (!entry) return std::nullopt;
    const auto bounds = OcclusionProbe::boundsRect(*entry);
    if (!bounds || bounds->width() <= 0 || bounds->height() <= 0) return std::nullopt;
    return bounds;
}

}  // namespace

bool PanelContentView::enterTakeoverMode(std::optional<core::Rect> boxOverride)
{
    if (!exitTailWork.empty()) {
        for (const auto& item : exitTailWork) item.cancel();
        exitTailWork.clear();
        Diag::log(std::string("取消退出残留异步任务: ") + "新接管启动");
    }
    // A leave's restore that has not run yet keeps its saved frame for this takeover.
    if (restoreJob_) {
        if (const auto saved = restoreJob_->withdraw(); saved && !takeoverSavedFrame) takeoverSavedFrame = saved;
        restoreJob_.reset();
    }
    const bool ok = tryTakeover(boxOverride);
    if (!ok) finishPendingRestore();
    return ok;
}

bool PanelContentView::tryTakeover(std::optional<core::Rect> boxOverride)
{
    QPointer<PipPanel> owner = panel;
    if (!owner) {
        Diag::log("接管预览: panel 不可见 → 回退转发模式");
        return false;
    }
    if (!boxOverride && (!previewVisible || !previewPanel)) {
        Diag::log("接管预览: 前置不满足 visible=" + boolText(previewVisible) +
                  " previewPanel=" + boolText(previewPanel != nullptr) + " → 回退转发模式");
        return false;
    }
    const desktop::ShareableWindow& target = owner->target;
    const desktop::WindowID windowID = target.windowID;
    const auto pid = EventBridge::pidOf(target);
    const auto frame = pid ? EventBridge::axWindowFrame(windowID, *pid) : std::nullopt;
    if (!pid || !frame) {
        Diag::log("接管预览: 读取源窗口 frame 失败，回退转发模式 id=" + std::to_string(windowID));
        return false;
    }

    const pin::SavedFrameChoice saved = pin::savedFrameChoice(ParkingLoan::takeOver(windowID), *frame);
    if (!saved.logLine.empty()) Diag::log(saved.logLine);

    const core::Rect screenBox = boxOverride ? *boxOverride : previewPanel->frame();
    const core::Rect box = pin::globalBox(screenBox, pin::flipHeight(ui::screens(), ui::mainScreen()));
    const core::Rect fitted = pin::fittedFrame(*frame, box);
    const std::optional<std::string> bundleID = bundleIDOf(target);
    const auto minimum =
        pin::effectiveMinimum(EventBridge::axWindowMinSize(windowID, *pid), bundleID, LearnedMinSizes::cache());
    core::Rect takeoverFrame = fitted;
    if (const auto clamp = pin::clampToMinimum(fitted, box, minimum)) {
        takeoverFrame = clamp->frame;
        Diag::log(clamp->logLine);
    }

    const bool onScreen = WindowQuery::onScreenInfo(windowID).has_value();
    Diag::log("接管预览: 跨桌面判定 isOnScreen=" + boolText(onScreen) + " crossSpace=" + boolText(!onScreen) +
              " id=" + std::to_string(windowID));

    if (!EventBridge::axSetWindowFrame(windowID, *pid, takeoverFrame, true)) {
        Diag::log("接管预览: 移动源窗口失败，回退转发模式 id=" + std::to_string(windowID));
        ParkingLoan::giveBack(windowID);
        return false;
    }
    owner->mirror->updateCapture(0, takeoverFrame.size);
    if (previewPanel) previewPanel->content->update();

    ++takeoverGeneration_;
    takeoverFrame_ = std::make_shared<pin::TakeoverFrameCell>(takeoverFrame);
    fittedFrame_ = fitted;
    takeoverBundleID_ = bundleID;
    takeoverWindowID_ = windowID;
    takeoverBox_ = box;
    startReadinessPoll(*frame, box);

    if (!takeoverSavedFrame) takeoverSavedFrame = saved.frame;
    takeoverPID = *pid;
    takeoverActive = true;
    takeoverCrossSpace = !onScreen;
    previewShowTimer.cancel();
    previewShowTimer = {};
    previewVisible = false;
    prePinRaiseList.clear();
    prePinFrontPid = 0;
    prePinFrontAppPid = EventBridge::lastForeignFrontPid;

    const pin::PrePinStack stack =
        pin::prePinStack(desktop::windowServer().windowList(desktop::WindowListOption::onScreenOnly), windowID, *pid,
                         desktop::workspace().ownPid(), *frame);
    prePinRaiseList = stack.raiseList;
    prePinFrontPid = stack.frontPid;
    Diag::log(pin::prePinStackLogLine(stack, prePinFrontAppPid));

    EventBridge::focus(target);
    EventBridge::raiseWindow(*pid, windowID);

    topBar->fixedPreview = true;
    topBar->refreshTitle();
    showChrome(true);

    topStripInstallation_ = FixedPreviewTopStrip::install(windowID, [self = QPointer<PanelContentView>(this)] {
        if (!self || !self->pinned) return;
        Diag::log("固定预览顶边双击 → 退出固定并打开原应用");
        const auto leave = pin::leaveRequest(pin::LeaveCause::topStripDoubleClick);
        self->exitPinnedPreview(leave.frontPid, leave.frontWindowID, leave.restoreFrontOrder);
        if (self && self->panel) EventBridge::focus(self->panel->target);
    });

    Diag::log(pin::takeoverMovedLogLine(takeoverFrame, *frame, *takeoverSavedFrame, box, windowID));

    const std::uint64_t generation = takeoverGeneration_;
    dispatch::main().asyncAfter(pin::readBackDelay, [self = QPointer<PanelContentView>(this), generation] {
        if (self) self->readBack(generation);
    });
    return true;
}

// ---- the readiness poll: passes on the global queue, effects on the main queue ----

void PanelContentView::startReadinessPoll(const core::Rect& frameBefore, const core::Rect& box)
{
    struct Chain {
        QPointer<PanelContentView> view;  // only ever dereferenced on the main queue
        desktop::WindowID windowID;
        std::shared_ptr<pin::TakeoverFrameCell> cell;
        pin::ReadinessPoll poll;
    };
    auto chain = std::make_shared<Chain>(Chain{QPointer<PanelContentView>(this), takeoverWindowID_, takeoverFrame_,
                                               pin::ReadinessPoll(takeoverGeneration_, frameBefore, box)});
    // Each pass schedules the next, so passes never overlap and the main queue's recentre
    // can land in between.
    auto runPass = std::make_shared<std::function<void()>>();
    *runPass = [chain, weakRun = std::weak_ptr<std::function<void()>>(runPass)] {
        const auto pass = chain->poll.pass(observedBounds(chain->windowID), chain->cell->get());
        const std::uint64_t generation = chain->poll.generation();
        if (pass.recentre) {
            dispatch::main().async([view = chain->view, generation, frame = *pass.recentre] {
                if (view) view->recentreFromPoll(generation, frame);
            });
        }
        if (pass.reveal) {
            dispatch::main().async([view = chain->view, generation] {
                if (view) view->revealTakeover(generation);
            });
        }
        if (chain->poll.finished()) return;
        if (const auto next = weakRun.lock())
            dispatch::global().asyncAfter(pin::ReadinessPoll::passInterval, [next] { (*next)(); });
    };
    dispatch::global().asyncAfter(pin::ReadinessPoll::passInterval, [runPass] { (*runPass)(); });
}

void PanelContentView::recentreFromPoll(std::uint64_t generation, const core::Rect& frame)
{
    if (!pin::postApplies(generation, takeoverGeneration_, takeoverActive, pinned)) return;
    takeoverFrame_->set(frame);
    EventBridge::axSetWindowPosition(takeoverWindowID_, takeoverPID, frame.origin);
    if (panel) panel->mirror->updateCapture(0, frame.size);
    Diag::log(pin::pollRecentreLogLine(frame));
    scheduleClampCheck(generation, frame.size);
}

void PanelContentView::revealTakeover(std::uint64_t generation)
{
    if (!pin::revealApplies(generation, takeoverGeneration_)) return;
    if (previewPanel) previewPanel->orderOut();
}

void PanelContentView::readBack(std::uint64_t generation)
{
    const auto list = desktop::windowServer().windowList(desktop::WindowListOption::onScreenOnly);
    const pin::ReadBack result = pin::readBack(list.value_or(std::vector<desktop::WindowInfo>{}), takeoverWindowID_,
                                               takeoverFrame_ ? takeoverFrame_->get() : core::Rect{}, takeoverBox_);
    for (const auto& line : result.logLines) Diag::log(line);
    // A pin left (or a new takeover begun) within the delay must not be moved again.
    if (!result.recentre || !pin::postApplies(generation, takeoverGeneration_, takeoverActive, pinned)) return;
    takeoverFrame_->set(*result.recentre);
    EventBridge::axSetWindowPosition(takeoverWindowID_, takeoverPID, result.recentre->origin);
    scheduleClampCheck(generation, result.recentre->size);
}

void PanelContentView::scheduleClampCheck(std::uint64_t generation, core::Size size)
{
    dispatch::main().asyncAfter(pin::clampCheckDelay, [self = QPointer<PanelContentView>(this), generation, size] {
        if (!self || !pin::postApplies(generation, self->takeoverGeneration_, self->takeoverActive, self->pinned))
            return;
        const auto frameNow = EventBridge::axWindowFrame(self->takeoverWindowID_, self->takeoverPID);
        if (pin::clampHeld(frameNow, size))
            LearnedMinSizes::noteClampedSize(self->takeoverBundleID_, self->fittedFrame_.size, frameNow->size);
    });
}

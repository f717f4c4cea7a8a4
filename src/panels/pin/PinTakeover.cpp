// The takeover: the real source window moved over the preview box, watched until it shows
// the asked size, recentred when its application keeps a size of its own.
#include "panels/pin/PinSession.h"

#include "capture/OcclusionProbe.h"
#include "foundation/Diag.h"
#include "foundation/EventBridge.h"
#include "foundation/LogText.h"
#include "foundation/WindowQuery.h"
#include "panels/pin/FixedPreviewTopStrip.h"
#include "panels/pin/HoverPreview.h"
#include "panels/pin/LearnedMinSizes.h"
#include "panels/views/PanelContentView.h"
#include "panels/pin/ParkingLoan.h"
#include "panels/PipPanel.h"
#include "panels/pin/PrePinStack.h"
#include "panels/views/PreviewContentView.h"
#include "panels/views/PreviewPanel.h"
#include "panels/pin/ReadinessPoll.h"
#include "panels/pin/TakeoverFrameCell.h"
#include "panels/pin/TakeoverGeometry.h"
#include "panels/pin/TakeoverReadBack.h"
#include "panels/pin/TakeoverRestoreJob.h"
#include "platform/desktop/Desktop.h"

namespace pin {

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

bool PinSession::enterTakeoverMode(std::optional<core::Rect> boxOverride)
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

bool PinSession::tryTakeover(std::optional<core::Rect> boxOverride)
{
    PipPanel& owner = panel_;
    HoverPreview& hover = preview();
    if (!boxOverride && (!hover.previewVisible || !hover.previewPanel)) {
        Diag::log("接管预览: 前置不满足 visible=" + boolText(hover.previewVisible) +
                  " previewPanel=" + boolText(hover.previewPanel != nullptr) + " → 回退转发模式");
        return false;
    }
    const desktop::ShareableWindow& target = owner.target;
    const desktop::WindowID windowID = target.windowID;
    const auto pid = EventBridge::pidOf(target);
    const auto frame = pid ? EventBridge::axWindowFrame(windowID, *pid) : std::nullopt;
    if (!pid || !frame) {
        Diag::log("接管预览: 读取源窗口 frame 失败，回退转发模式 id=" + std::to_string(windowID));
        return false;
    }

    const SavedFrameChoice saved = savedFrameChoice(ParkingLoan::takeOver(windowID), *frame);
    if (!saved.logLine.empty()) Diag::log(saved.logLine);

    const core::Rect screenBox = boxOverride ? *boxOverride : hover.previewPanel->frame();
    const core::Rect box = globalBox(screenBox, flipHeight(ui::screens(), ui::mainScreen()));
    const core::Rect fitted = fittedFrame(*frame, box);
    const std::optional<std::string> bundleID = bundleIDOf(target);
    const auto minimum =
        effectiveMinimum(EventBridge::axWindowMinSize(windowID, *pid), bundleID, LearnedMinSizes::cache());
    core::Rect takeoverFrame = fitted;
    if (const auto clamp = clampToMinimum(fitted, box, minimum)) {
        takeoverFrame = clamp->frame;
        Diag::log(clamp->logLine);
    }

    const bool onScreen = WindowQuery::onScreenInfo(windowID).has_value();
    Diag::log("接管预览: 跨桌面判定 isOnScreen=" + boolText(onScreen) + " crossSpace=" + boolText(!onScreen) +
              " id=" + std::to_string(windowID));

    if (!EventBridge::axSetWindowFrame(windowID, *pid, takeoverFrame, true)) {
        Diag::log("接管预览: 移动源窗口失败，回退转发模式 id=" + std::to_string(windowID));
        // One write may have been taken before the other was refused: nothing restores a
        // window the takeover never held, so it goes back now.
        if (EventBridge::axWindowFrame(windowID, *pid) != frame)
            EventBridge::axSetWindowFrame(windowID, *pid, *frame, false);
        ParkingLoan::giveBack(windowID);
        return false;
    }
    owner.mirror->updateCapture(0, takeoverFrame.size);
    if (hover.previewPanel) hover.previewPanel->content->update();

    ++takeoverGeneration_;
    takeoverFrame_ = std::make_shared<TakeoverFrameCell>(takeoverFrame);
    fittedFrame_ = fitted;
    takeoverBundleID_ = bundleID;
    takeoverWindowID_ = windowID;
    takeoverBox_ = box;
    startReadinessPoll(*frame, box);

    if (!takeoverSavedFrame) takeoverSavedFrame = saved.frame;
    takeoverPID = *pid;
    takeoverActive = true;
    takeoverCrossSpace = !onScreen;
    hover.cancelPendingShow();
    hover.previewVisible = false;
    prePinRaiseList.clear();
    prePinFrontPid = 0;
    prePinFrontAppPid = EventBridge::lastForeignFrontPid;

    const PrePinStack stack = prePinStack(desktop::windowServer().windowList(desktop::WindowListOption::onScreenOnly),
                                          windowID, *pid, desktop::workspace().ownPid(), *frame);
    prePinRaiseList = stack.raiseList;
    prePinFrontPid = stack.frontPid;
    Diag::log(prePinStackLogLine(stack, prePinFrontAppPid));

    EventBridge::focus(target);
    EventBridge::raiseWindow(*pid, windowID);

    view().setFixedPreview(true);
    view().showChrome(true);

    topStripInstallation_ = FixedPreviewTopStrip::install(windowID, lifetime_.guard([](PinSession& self) {
        if (!self.pinned) return;
        Diag::log("固定预览顶边双击 → 退出固定并打开原应用");
        const auto leave = leaveRequest(LeaveCause::topStripDoubleClick);
        self.exitPinnedPreview(leave.frontPid, leave.frontWindowID, leave.restoreFrontOrder);
        EventBridge::focus(self.panel_.target);
    }));

    Diag::log(takeoverMovedLogLine(takeoverFrame, *frame, *takeoverSavedFrame, box, windowID));

    const std::uint64_t generation = takeoverGeneration_;
    dispatch::main().asyncAfter(readBackDelay,
                                lifetime_.guard([generation](PinSession& self) { self.readBack(generation); }));
    return true;
}

// ---- the readiness poll: passes on the global queue, effects on the main queue ----

void PinSession::startReadinessPoll(const core::Rect& frameBefore, const core::Rect& box)
{
    // The session's effects are guarded here and only ever called on the main queue.
    struct Chain {
        std::function<void(std::uint64_t, core::Rect)> recentre;
        std::function<void(std::uint64_t)> reveal;
        desktop::WindowID windowID;
        std::shared_ptr<TakeoverFrameCell> cell;
        ReadinessPoll poll;
    };
    auto chain = std::make_shared<Chain>(
        Chain{lifetime_.guard([](PinSession& self, std::uint64_t generation, core::Rect frame) {
                  self.recentreFromPoll(generation, frame);
              }),
              lifetime_.guard([](PinSession& self, std::uint64_t generation) { self.revealTakeover(generation); }),
              takeoverWindowID_, takeoverFrame_, ReadinessPoll(takeoverGeneration_, frameBefore, box)});
    // Each pass schedules the next, so passes never overlap and the main queue's recentre
    // can land in between.
    auto runPass = std::make_shared<std::function<void()>>();
    *runPass = [chain, weakRun = std::weak_ptr<std::function<void()>>(runPass)] {
        const auto pass = chain->poll.pass(observedBounds(chain->windowID), chain->cell->get());
        const std::uint64_t generation = chain->poll.generation();
        if (pass.recentre) {
            dispatch::main().async(
                [recentre = chain->recentre, generation, frame = *pass.recentre] { recentre(generation, frame); });
        }
        if (pass.reveal) {
            dispatch::main().async([reveal = chain->reveal, generation] { reveal(generation); });
        }
        if (chain->poll.finished()) return;
        if (const auto next = weakRun.lock())
            dispatch::global().asyncAfter(ReadinessPoll::passInterval, [next] { (*next)(); });
    };
    dispatch::global().asyncAfter(ReadinessPoll::passInterval, [runPass] { (*runPass)(); });
}

void PinSession::recentreFromPoll(std::uint64_t generation, const core::Rect& frame)
{
    if (!postApplies(generation, takeoverGeneration_, takeoverActive, pinned)) return;
    takeoverFrame_->set(frame);
    EventBridge::axSetWindowPosition(takeoverWindowID_, takeoverPID, frame.origin);
    panel_.mirror->updateCapture(0, frame.size);
    Diag::log(pollRecentreLogLine(frame));
    scheduleClampCheck(generation, frame.size);
}

void PinSession::revealTakeover(std::uint64_t generation)
{
    if (!revealApplies(generation, takeoverGeneration_)) return;
    if (preview().previewPanel) preview().previewPanel->orderOut();
}

void PinSession::readBack(std::uint64_t generation)
{
    const auto list = desktop::windowServer().windowList(desktop::WindowListOption::onScreenOnly);
    const ReadBack result = pin::readBack(list.value_or(std::vector<desktop::WindowInfo>{}), takeoverWindowID_,
                                          takeoverFrame_ ? takeoverFrame_->get() : core::Rect{}, takeoverBox_);
    for (const auto& line : result.logLines) Diag::log(line);
    // A pin left (or a new takeover begun) within the delay must not be moved again.
    if (!result.recentre || !postApplies(generation, takeoverGeneration_, takeoverActive, pinned)) return;
    takeoverFrame_->set(*result.recentre);
    EventBridge::axSetWindowPosition(takeoverWindowID_, takeoverPID, result.recentre->origin);
    scheduleClampCheck(generation, result.recentre->size);
}

void PinSession::scheduleClampCheck(std::uint64_t generation, core::Size size)
{
    dispatch::main().asyncAfter(clampCheckDelay, lifetime_.guard([generation, size](PinSession& self) {
        if (!postApplies(generation, self.takeoverGeneration_, self.takeoverActive, self.pinned)) return;
        const auto frameNow = EventBridge::axWindowFrame(self.takeoverWindowID_, self.takeoverPID);
        if (clampHeld(frameNow, size))
            LearnedMinSizes::noteClampedSize(self.takeoverBundleID_, self.fittedFrame_.size, frameNow->size);
    }));
}

}  // namespace pin

// Following the source window: the 0.5 s poll that compares the window server's view of
// the source with what the stream captures, the accessibility resize observer, the
// debounced adoption of a new size, and the full-screen detection.
#include "capture/NumberText.h"
#include "capture/OcclusionProbe.h"
#include "capture/StreamMirror.h"
#include "foundation/Diag.h"
#include "foundation/EventBridge.h"
#include "foundation/LogText.h"
#include "foundation/WindowQuery.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/WhileAlive.h"

#include <cmath>

namespace {

constexpr double pollInterval = 0.5;
constexpr double resizeDebounce = 0.3;
constexpr double sizeTolerance = 1;
constexpr double minimumCropRatio = 0.02;
constexpr const char* noFrameReason = "流无帧（帧彻底停发，既有检测器都长在帧回调里所以看不见）";

std::string wholeSize(core::Size size) { return capture::wholeSizeText(size.width, size.height); }

// Where the window server last saw the window, while it shows it; never waits on the server.
std::optional<core::Rect> onScreenBounds(desktop::WindowID windowID)
{
    const auto info = WindowQuery::onScreenInfo(windowID);
    return info ? OcclusionProbe::boundsRect(*info) : std::nullopt;
}

}  // namespace

std::optional<double> StreamMirror::sourceDisplayScale(const desktop::ShareableWindow& window)
{
    const auto bounds = onScreenBounds(window.windowID);
    if (!bounds) return std::nullopt;
    auto& displays = desktop::displays();
    const auto id = displays.displayAt({bounds->midX(), bounds->midY()});
    if (!id) return std::nullopt;
    const auto display = displays.display(*id);
    if (!display || display->mode.pixelWidth < 1 || display->mode.width < 1) return std::nullopt;
    return display->mode.pixelWidth / display->mode.width;
}

double StreamMirror::mainScreenScale()
{
    auto& displays = desktop::displays();
    if (const auto main = displays.mainDisplayID()) {
        if (const auto display = displays.display(*main)) return display->scale;
    }
    return 2.0;
}

void StreamMirror::startResizePoll()
{
    noFrame_.restartSilence(dispatch::now());
    if (resizePollTimer_.isActive()) return;
    resizePollTimer_ = dispatch::Timer(queue_, pollInterval, ref().guarded([](StreamMirror& self) { self.pollTick(); }));
    // Every mirror's poll wakes the threads at the same moments.
    resizePollTimer_.alignTicks(true);
}

void StreamMirror::pollTick()
{
    if (pausedWanted_) return;
    const auto bounds = onScreenBounds(target_.windowID);
    const double now = dispatch::now();
    if (!stream_) {
        // A start that failed leaves no stream behind: to the watchdog that is silence.
        if (bounds && noFrame_.check(now, false, intake_.framesDelivered())) restartStream(noFrameReason);
        return;
    }
    if (!bounds) {
        checkFullscreenLater();
        return;
    }
    offscreenLogged_ = false;
    fullscreenNotified_ = false;
    offscreenNote_ = OffscreenNote::none;

    gate_.tick(now, target_.windowID, *this);
    if (noFrame_.check(now, false, intake_.framesDelivered())) restartStream(noFrameReason);
    if (!stream_) return;

    if (const auto scale = sourceDisplayScale(target_); scale && std::fabs(*scale - streamScale_) > 0.01) {
        Diag::log("轮询: 源屏 scale " + core::numberText(streamScale_) + " → " + core::numberText(*scale) +
                  "（跨屏移动），重建流跟随");
        streamScale_ = *scale;
        restartStream("源窗口跨屏移动 scale→" + core::numberText(*scale));
        return;
    }

    if (!core::sameSize(bounds->size, sourceSize_, sizeTolerance)) {
        const std::string note =
            "轮询: CG边界=" + wholeSize(bounds->size) + " vs 捕获=" + wholeSize(sourceSize_) + " 不一致";
        if (sizeMismatchNote_ != note) Diag::log(note);
        sizeMismatchNote_ = note;
    } else {
        sizeMismatchNote_.reset();
    }

    if (std::fabs(bounds->minX() - followedOrigin_.x) > sizeTolerance ||
        std::fabs(bounds->minY() - followedOrigin_.y) > sizeTolerance) {
        followedOrigin_ = {bounds->minX(), bounds->minY()};
        scheduleFilterRefreshForMove();
    }
    scheduleResizeFollow(bounds->size);
}

// The accessibility and workspace questions go to the main thread; the decision comes
// back to the capture queue, where the episode's flags live.
void StreamMirror::checkFullscreenLater()
{
    const Ref self = ref();
    dispatch::main().async([self, target = target_] {
        // Off screen for being on another workspace, unmapped on this one or withdrawn by
        // its client, it is no full-screen window: nor are the questions below, which may
        // wait on the window server, asked twice a second while it stays so.
        const auto presence = desktop::windowServer().windowPresence(target.windowID, target.life);
        if (presence == desktop::WindowPresence::otherWorkspace || presence == desktop::WindowPresence::listedAlive ||
            presence == desktop::WindowPresence::unlisted)
            return;
        const auto front = desktop::workspace().frontmostApplication();
        const desktop::Pid frontPid = front ? front->pid : 0;
        const desktop::Pid sourcePid = EventBridge::pidOf(target).value_or(0);
        const auto minimized = EventBridge::windowMinimizedState(target.windowID, sourcePid);
        self.post([frontPid, sourcePid, minimized](StreamMirror& mirror) {
            mirror.judgeOffscreen(frontPid, sourcePid, minimized);
        });
    });
}

void StreamMirror::judgeOffscreen(desktop::Pid front, desktop::Pid source, std::optional<bool> minimized)
{
    if (!stream_) return;
    if (!offscreenLogged_) {
        offscreenLogged_ = true;
        const char* state = !minimized   ? "问不出来（不在 AX 列表 / 无辅助功能权限）"
                            : *minimized ? "已最小化"
                                         : "在 AX 列表且未最小化";
        Diag::log("全屏检测: 窗口离屏 frontPid=" + std::to_string(front) + " srcPid=" + std::to_string(source) +
                  " id=" + std::to_string(target_.windowID) + " AX=" + state);
    }
    if (front == 0 || front != source) {
        offscreenNote_ = OffscreenNote::none;
        return;
    }
    if (fullscreenNotified_) return;
    if (minimized == false) {
        fullscreenNotified_ = true;
        Diag::log("全屏检测(离屏版): 源应用前台 + 窗口离屏 + AX 在列且未最小化 = 进入原生全屏");
        dispatch::main().async([callback = onSourceFullscreen] {
            if (callback) callback();
        });
        return;
    }
    const OffscreenNote note = minimized ? OffscreenNote::minimized : OffscreenNote::unreadable;
    if (note == offscreenNote_) return;
    offscreenNote_ = note;
    Diag::log(minimized
                  ? "全屏检测: 离屏 + 源应用前台，但窗口**已最小化** ⇒ 不是原生全屏，不弹全屏提示（定格横幅那条路）"
                  : "全屏检测: 离屏 + 源应用前台，但读不到该窗口的 AX 状态 ⇒ **不按原生全屏提示**");
}

// The part of an old-size frame that shows the live window, anchored at its top-left
// corner: a shrinking window gives ratios between 0.02 and 1, a growing one 1. Frames
// that already have the live size show all of it.
core::Rect StreamMirror::cropFor(core::Size liveSize, core::Size capturedSize) const
{
    if (desktop::capture().framesShowTheLiveWindow()) return core::Rect(0, 0, 1, 1);
    const auto ratio = [](double live, double captured) {
        if (captured <= 1) return 1.0;
        const double r = std::max(live / captured, minimumCropRatio);
        return r < 1 ? r : 1.0;
    };
    return core::Rect(0, 0, ratio(liveSize.width, capturedSize.width), ratio(liveSize.height, capturedSize.height));
}

void StreamMirror::scheduleResizeFollow(core::Size size)
{
    if (core::sameSize(size, sourceSize_, sizeTolerance)) return;
    const core::Rect region = cropFor(size, sourceSize_);
    setContentRegion(region);
    Diag::log("contentRegion: 源实时=" + wholeSize(size) + " 捕获=" + wholeSize(sourceSize_) + " 区域=(" +
              capture::twoDecimalsText(region.width()) + ", " + capture::twoDecimalsText(region.height()) +
              ") Y翻转后origin.y=" + capture::twoDecimalsText(region.minY()));
    pendingResizeSize_ = size;
    // A fixed window from the first change: later changes only update the size.
    if (!pendingResizeWork_.isEmpty()) return;
    pendingResizeWork_ = ref().postAfter(resizeDebounce, [](StreamMirror& mirror) {
        mirror.pendingResizeWork_ = {};
        const core::Size size = mirror.pendingResizeSize_;
        Diag::log("源窗口实时变化 " + wholeSize(mirror.sourceSize_) + " → " + wholeSize(size) + "，重建流跟随");
        mirror.adoptSourceSize(size);
    });
}

void StreamMirror::adoptSourceSize(core::Size size)
{
    if (size == sourceSize_) return;
    const core::Size old = sourceSize_;
    setSourceSize(size);
    streamScale_ = sourceDisplayScale(target_).value_or(mainScreenScale());
    setContentRegion(cropFor(size, old));
    currentPixelW_ = std::max(2, static_cast<int>(size.width * streamScale_));
    currentPixelH_ = derivedHeight(currentPixelW_);
    if (stream_) {
        refreshFilterAndConfig(size);
    } else {
        restartStream("源区域 " + wholeSize(size));
    }
}

void StreamMirror::startAXObservation()
{
    if (axObserver_) return;
    const desktop::Pid pid = EventBridge::pidOf(target_).value_or(0);
    auto& accessibility = desktop::accessibility();
    const bool trusted = accessibility.isTrusted(false);
    if (pid == 0 || !trusted) {
        Diag::log("AX观察: 跳过 pid=" + std::to_string(pid) + " 权限=" + boolText(trusted));
        return;
    }
    const desktop::WindowID windowID = target_.windowID;
    const auto windows = EventBridge::axWindows(pid, true);
    const auto element = windows ? windows->element(windowID) : std::nullopt;
    if (!element) {
        Diag::log("AX观察: 源窗口 AX 元素未找到 windowID=" + std::to_string(windowID));
        return;
    }
    // Runs on the main queue: reads the new size there and hands it to the capture queue.
    // A window shown nowhere has no size the mirror could show (a client that unmaps itself
    // loses its frame meanwhile): the size is the one the window server shows it at, read
    // once; the poll follows whatever this misses.
    auto onResize = dispatch::whileAlive(
        weak_from_this(), [windowID](StreamMirror& self, const desktop::Element&, const std::string&) {
            if (self.isStopped() || !self.hasStream() || self.isPaused()) return;
            const auto bounds = onScreenBounds(windowID);
            if (!bounds || bounds->width() <= 1 || bounds->height() <= 1) return;
            self.ref().post([size = bounds->size](StreamMirror& mirror) { mirror.scheduleResizeFollow(size); });
        });
    desktop::Token observer = 0;
    const desktop::ax::Error created = accessibility.createObserver(pid, onResize, observer);
    if (created != desktop::ax::success) {
        Diag::log("AXObserverCreate 失败 pid=" + std::to_string(pid) + " 结果=" + std::to_string(created));
        return;
    }
    const desktop::ax::Error added = accessibility.addNotification(observer, *element, desktop::ax::windowResized);
    if (added != desktop::ax::success) {
        Diag::log("AXObserverAddNotification 失败 结果=" + std::to_string(added));
        accessibility.destroyObserver(observer);
        return;
    }
    axObserver_ = observer;
    Diag::log("AX观察: 已监听源窗口 resize pid=" + std::to_string(pid) + " winodwID=" + std::to_string(windowID));
}

void StreamMirror::removeAXObservation()
{
    if (!axObserver_) return;
    desktop::accessibility().destroyObserver(*axObserver_);
    axObserver_.reset();
}

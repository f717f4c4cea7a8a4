#include "capture/StreamMirror.h"

#include "capture/OcclusionProbe.h"
#include "foundation/Diag.h"
#include "foundation/L10n.h"
#include "platform/core/AppIdentity.h"
#include "platform/core/SystemLog.h"
#include "platform/core/TextFormat.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/WhileAlive.h"

#include <algorithm>

namespace {

constexpr int recoveryLimit = 3;
constexpr double recoveryDelay = 0.5;

// Stops a stream that is no longer ours; the completion keeps it alive until then.
void stopDetached(const std::shared_ptr<desktop::CaptureStream>& stream)
{
    stream->stopCapture([stream](std::optional<desktop::Error>) {});
}

}  // namespace

dispatch::Task StreamMirror::Ref::guarded(Step step) const
{
    return dispatch::whileAlive(mirror, [step = std::move(step)](StreamMirror& self) {
        if (!self.stopped_) step(self);
    });
}

void StreamMirror::Ref::post(Step step) const { queue.async(guarded(std::move(step))); }

dispatch::WorkItem StreamMirror::Ref::postAfter(double seconds, Step step) const
{
    return queue.asyncAfter(seconds, guarded(std::move(step)));
}

std::shared_ptr<StreamMirror> StreamMirror::make(desktop::ShareableWindow target, int frameRate)
{
    return std::shared_ptr<StreamMirror>(new StreamMirror(std::move(target), frameRate));
}

StreamMirror::StreamMirror(desktop::ShareableWindow target, int frameRate)
    : queue_(queueLabel),
      frameRate_(std::clamp(frameRate, 1, 60)),
      publishedTarget_(target),
      publishedSourceSize_(target.frame.size),
      target_(std::move(target)),
      sourceSize_(target_.frame.size),
      followedOrigin_(target_.frame.origin),
      mailbox_(dispatch::main())
{
    const double now = dispatch::now();
    noFrame_.restartSilence(now);
    intake_.setLastContentChangeAt(now);
}

StreamMirror::~StreamMirror() { teardown(); }

core::Size StreamMirror::sourceSize() const
{
    std::lock_guard lock(publishedMutex_);
    return publishedSourceSize_;
}

desktop::ShareableWindow StreamMirror::target() const
{
    std::lock_guard lock(publishedMutex_);
    return publishedTarget_;
}

void StreamMirror::setTarget(const desktop::ShareableWindow& target)
{
    target_ = target;
    std::lock_guard lock(publishedMutex_);
    publishedTarget_ = target;
}

void StreamMirror::setSourceSize(core::Size size)
{
    sourceSize_ = size;
    std::lock_guard lock(publishedMutex_);
    publishedSourceSize_ = size;
}

void StreamMirror::setContentRegion(const core::Rect& region)
{
    if (region == contentRegion_) return;
    contentRegion_ = region;
    if (onContentRegion) onContentRegion(region);
}

// ---- entry points ----

void StreamMirror::startFresh()
{
    ref().post([](StreamMirror& mirror) { mirror.startFreshNow(); });
}

void StreamMirror::stop()
{
    if (stopped_.exchange(true)) return;
    queue_.async(dispatch::whileAlive(weak_from_this(), [](StreamMirror& self) { self.teardown(); }));
}

void StreamMirror::setPaused(bool paused)
{
    if (stopped_) return;
    pausedWanted_ = paused;
    ref().post([](StreamMirror& mirror) { mirror.applyPause(); });
}

void StreamMirror::updateCapture(int /*pixelWidth*/, core::Size sourceSize)
{
    ref().post([sourceSize](StreamMirror& mirror) { mirror.adoptSourceSize(sourceSize); });
}

void StreamMirror::setShownSize(int width, int height)
{
    ref().post([width, height](StreamMirror& mirror) {
        mirror.shownWidth_ = width;
        mirror.shownHeight_ = height;
        if (mirror.stream_) mirror.stream_->setShownSize(width, height);
    });
}

void StreamMirror::setFrameRate(int fps)
{
    ref().post([fps](StreamMirror& mirror) { mirror.switchFrameRate(fps); });
}

// ---- the stream's life ----

void StreamMirror::startFreshNow()
{
    refreshTarget([](StreamMirror& mirror, bool) { mirror.start(); });
}

void StreamMirror::start()
{
    if (stopped_) return;
    // Two start paths may meet: the newer stream wins and the older one ends here.
    dropStream();

    streamScale_ = sourceDisplayScale(target_).value_or(mainScreenScale());
    currentPixelW_ = std::max(2, static_cast<int>(streamScale_ * sourceSize_.width));
    currentPixelH_ = derivedHeight(currentPixelW_);
    desktop::StreamConfiguration configuration = makeConfiguration(currentPixelW_, currentPixelH_);
    const desktop::ContentFilter filter = makeFilter(configuration);
    streamKind_ = filter.kind;

    const std::uint64_t generation = ++generation_;
    const Ref self = ref();
    const StreamRef stream =
        desktop::capture().makeStream(filter, configuration, [self, generation](const desktop::Error& error) {
            self.post([generation, error](StreamMirror& mirror) { mirror.streamDidStop(generation, error); });
        });
    if (!stream) return;
    const auto outputError = stream->addOutput(
        queue_, dispatch::whileAlive(self.mirror, [generation](StreamMirror& mirror, const desktop::Frame& frame) {
            mirror.handleFrame(generation, frame);
        }));
    if (outputError) {
        core::systemLog::write("[Glimra] addStreamOutput 失败: " + outputError->description);
        const std::string text = core::formatText(L10n::t("添加输出失败：%@"), {outputError->localizedDescription});
        dispatch::main().async([callback = onStartError, text] {
            if (callback) callback(text);
        });
        return;
    }
    stream_ = stream;
    hasStream_ = true;
    stream->setShownSize(shownWidth_, shownHeight_);
    streamPaused_ = pausedWanted_;

    if (defaults::setting::groundTruthProbe.value()) startGroundTruthProbe();
    if (!streamPaused_) startResizePoll();
    startAXObservation();
    if (!streamPaused_) startCapture(stream, generation);
}

void StreamMirror::startCapture(const StreamRef& stream, std::uint64_t generation)
{
    const Ref self = ref();
    stream->startCapture([self, generation](std::optional<desktop::Error> error) {
        self.post([generation, error](StreamMirror& mirror) {
            if (!error) {
                Diag::log("startCapture OK");
                return;
            }
            Diag::log("startCapture 失败: " + error->description);
            // The failed stream stays; the no-frame watchdog rebuilds it. A stream that
            // was replaced meanwhile is nobody's concern.
            if (generation != mirror.generation_) return;
            dispatch::main().async([callback = mirror.onStartError, text = error->localizedDescription] {
                if (callback) callback(text);
            });
        });
    });
}

StreamMirror::StreamRef StreamMirror::detachStream()
{
    StreamRef old = std::move(stream_);
    stream_.reset();
    hasStream_ = false;
    if (old) old->removeOutput();
    return old;
}

void StreamMirror::dropStream()
{
    if (const StreamRef old = detachStream()) stopDetached(old);
}

void StreamMirror::teardown()
{
    dropStream();
    resizePollTimer_.cancel();
    groundTruthTimer_.cancel();
    pendingResizeWork_.cancel();
    pendingMoveWork_.cancel();
    recoveryWork_.cancel();
    removeAXObservation();
}

void StreamMirror::applyPause()
{
    if (!stream_ || streamPaused_ == pausedWanted_) return;
    streamPaused_ = pausedWanted_;
    const StreamRef stream = stream_;
    if (streamPaused_) {
        resizePollTimer_.cancel();
        stream->stopCapture([stream](std::optional<desktop::Error>) {});
    } else {
        startResizePoll();
        stream->startCapture([stream](std::optional<desktop::Error>) {});
    }
}

void StreamMirror::streamDidStop(std::uint64_t generation, const desktop::Error& error)
{
    // The end of a stream that was already replaced is no news.
    if (generation != generation_ || !stream_) return;
    Diag::log("流停止(didStopWithError): " + error.description);
    if (desktop::captureErrorKind(error) == desktop::CaptureErrorKind::temporary &&
        intake_.recoveryAttempts() < recoveryLimit) {
        const int attempt = intake_.countRecoveryRestart();
        Diag::log("流错误自动恢复: 第" + std::to_string(attempt) + "/" + std::to_string(recoveryLimit) +
                  " 次（0.5s 后重启流，迷你窗保留）");
        // The stopped stream goes now, so the restart finds the mirror without one.
        dropStream();
        recoveryWork_ = ref().postAfter(recoveryDelay, [](StreamMirror& mirror) {
            if (!mirror.stream_) mirror.startFreshNow();
        });
        return;
    }
    core::systemLog::write("Glimra stream stopped: " + error.description);
    dispatch::main().async([callback = onStopped, text = error.localizedDescription] {
        if (callback) callback(text);
    });
}

void StreamMirror::restartStream(const std::string& reason)
{
    if (stopped_) return;
    Diag::log("重建流: " + reason + " → " + std::to_string(currentPixelW_) + "x" + std::to_string(currentPixelH_));
    intake_.resetForRebuild();
    const StreamRef old = detachStream();
    if (!old) {
        startFreshNow();
        return;
    }
    const Ref self = ref();
    old->stopCapture([self, old](std::optional<desktop::Error>) {
        self.post([](StreamMirror& mirror) {
            // Another path may have started a stream meanwhile.
            if (mirror.stream_) return;
            mirror.startFreshNow();
        });
    });
}

void StreamMirror::handleFrame(std::uint64_t generation, const desktop::Frame& frame)
{
    if (stopped_ || generation != generation_ || !stream_) return;
    const double now = dispatch::now();
    noFrame_.frameSeen(now);
    if (!intake_.take(frame, now, target_.frame, sourceSize_)) return;
    if (onFrame) mailbox_.put(frame.image, onFrame);
}

// ---- configuration and filter ----

StreamMirror::CaptureMode StreamMirror::captureMode() const
{
    const auto mode = defaults::setting::captureMode.stored();
    if (mode == "displayIncluding") return CaptureMode::displayIncluding;
    if (mode == "displayExcluding") return CaptureMode::displayExcluding;
    return CaptureMode::window;
}

desktop::StreamConfiguration StreamMirror::makeConfiguration(int pixelWidth, int pixelHeight) const
{
    desktop::StreamConfiguration configuration;
    configuration.width = std::max(2, pixelWidth);
    configuration.height = std::max(2, pixelHeight);
    configuration.queueDepth = 8;
    configuration.showsCursor = false;
    configuration.minimumFrameInterval = 1.0 / std::max(frameRate_.load(), 1);
    configuration.ignoreShadowsSingleWindow = true;
    configuration.ignoreGlobalClipSingleWindow = true;
    return configuration;
}

int StreamMirror::derivedHeight(int pixelWidth) const
{
    if (sourceSize_.width <= 0 || sourceSize_.height <= 0) return currentPixelH_;
    return std::max(2, static_cast<int>(pixelWidth * sourceSize_.height / sourceSize_.width));
}

desktop::ContentFilter StreamMirror::makeFilter(desktop::StreamConfiguration& configuration) const
{
    const CaptureMode mode = captureMode();
    if (mode == CaptureMode::window) return desktop::ContentFilter::desktopIndependentWindow(target_);

    const std::string modeName = mode == CaptureMode::displayIncluding ? "displayIncluding" : "displayExcluding";
    if (!sourceDisplay_ || !lastShareableContent_) {
        Diag::log("捕获模式 " + modeName + ": 还没解析到所在显示器/窗口列表 → 本次退回窗口模式");
        return desktop::ContentFilter::desktopIndependentWindow(target_);
    }
    const core::Rect& frame = target_.frame;
    const core::Rect crop(frame.minX() - sourceDisplay_->frame.minX(), frame.minY() - sourceDisplay_->frame.minY(),
                          frame.width(), frame.height());
    configuration.sourceRect = crop;
    Diag::log("捕获模式: " + modeName + " 裁=" + OcclusionProbe::rectDesc(crop) +
              " 屏=" + OcclusionProbe::rectDesc(sourceDisplay_->frame) + " 窗口=" + OcclusionProbe::rectDesc(frame));
    if (mode == CaptureMode::displayIncluding) {
        return desktop::ContentFilter::displayIncludingWindows(*sourceDisplay_, {target_});
    }

    std::vector<desktop::ShareableWindow> excluded = frontWindows(target_, *lastShareableContent_);
    const std::size_t frontCount = excluded.size();
    const std::string& ownBundle = core::AppIdentity::current().bundleIdentifier;
    for (const auto& window : lastShareableContent_->windows) {
        if (window.owningApplication && !window.owningApplication->bundleIdentifier.empty() &&
            window.owningApplication->bundleIdentifier == ownBundle) {
            excluded.push_back(window);
        }
    }
    Diag::log("捕获模式: displayExcluding 排除上层窗口 " + std::to_string(frontCount) + " 个 + 自有窗口 " +
              std::to_string(excluded.size() - frontCount) + " 个");
    return desktop::ContentFilter::displayExcludingWindows(*sourceDisplay_, std::move(excluded));
}

std::vector<desktop::ShareableWindow> StreamMirror::frontWindows(const desktop::ShareableWindow& source,
                                                                 const desktop::ShareableContent& content)
{
    const auto list =
        desktop::windowServer().windowList(desktop::WindowListOption::onScreenOnly, 0, /*excludeDesktopElements=*/true);
    if (!list) return {};
    std::vector<desktop::WindowID> inFront;
    for (const auto& entry : *list) {
        if (entry.number == source.windowID) break;
        if (entry.number == 0 || entry.layer != 0L) continue;
        const auto bounds = OcclusionProbe::boundsRect(entry);
        if (bounds && bounds->intersects(source.frame)) inFront.push_back(entry.number);
    }
    std::vector<desktop::ShareableWindow> result;
    if (inFront.empty()) return result;
    for (const auto& window : content.windows) {
        if (std::find(inFront.begin(), inFront.end(), window.windowID) != inFront.end()) result.push_back(window);
    }
    return result;
}

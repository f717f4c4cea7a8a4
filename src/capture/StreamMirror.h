#pragma once

#include "capture/FrameIntake.h"
#include "capture/FrameMailbox.h"
#include "capture/FrozenNotice.h"
#include "capture/NoFrameWatchdog.h"
#include "capture/OcclusionGate.h"
#include "capture/StaleWatchdog.h"
#include "parking/WindowParking.h"
#include "platform/desktop/Capture.h"
#include "platform/desktop/WindowServer.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Timer.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

// One live, self-healing capture stream of one source window for one mini window: it
// delivers every usable frame to its host, rebuilds the stream when frames stop or
// freeze, follows the source's size, place and display, and reports a fully covered
// source. All its state lives on its own serial capture queue; the entry points below
// may be called from the main thread and post there. Once stopped it stays stopped.
class StreamMirror : public std::enable_shared_from_this<StreamMirror>,
                     private capture::FrameIntake::Host,
                     private capture::StaleWatchdog::Host,
                     private capture::OcclusionGate::Host {
public:
    enum class CaptureMode { window, displayIncluding, displayExcluding };
    using RescueOutcome = WindowParking::RescueOutcome;

    static constexpr const char* queueLabel = "tarnvel.stream";

    static std::shared_ptr<StreamMirror> make(desktop::ShareableWindow target, int frameRate = 30);
    ~StreamMirror() override;
    StreamMirror(const StreamMirror&) = delete;
    StreamMirror& operator=(const StreamMirror&) = delete;

    // Host callbacks. Install them before startFresh() and leave them unchanged after.
    // Every usable frame, shared, on the main queue; only the newest waits.
    std::function<void(desktop::PixelBufferRef)> onFrame;
    // The system ended the stream for good; main queue.
    std::function<void(std::optional<std::string>)> onStopped;
    // A start failed; main queue.
    std::function<void(std::string)> onStartError;
    // The part of each frame that shows the live window (unit square, top-left origin,
    // y down); capture queue.
    std::function<void(core::Rect)> onContentRegion;
    // The source went into native full screen; main queue.
    std::function<void()> onSourceFullscreen;
    // Frames keep coming but none is usable, and its end; capture queue.
    std::function<void()> onCaptureDead;
    std::function<void()> onCaptureRecovered;
    // true: show the frozen notice; false: withdraw it; capture queue.
    std::function<void(bool)> onSourceFrozen;
    // The source is fully covered and frozen: the park request, answered synchronously on
    // the capture queue.
    std::function<RescueOutcome(desktop::WindowID)> onFrozenByOcclusion;

    // Refreshes the source record, then starts capture.
    void startFresh();
    // Ends capture for good: the stream, every timer, pending step and observer.
    void stop();
    // The wanted state is always recorded; a stream built while paused starts paused.
    void setPaused(bool paused);
    // Clamped to 1...60; a running stream is switched in place and checked.
    void setFrameRate(int fps);
    // Adopts a new source size (points); the capture width always follows from it.
    void updateCapture(int pixelWidth, core::Size sourceSize);
    // The largest size in pixels the host's views show the whole picture at: the stream
    // may read it no larger (the configured size stays).
    void setShownSize(int width, int height);

    // Readable from any thread.
    bool hasStream() const { return hasStream_.load(); }
    bool isPaused() const { return pausedWanted_.load(); }
    bool isStopped() const { return stopped_.load(); }
    long framesDelivered() const { return intake_.framesDelivered(); }
    long framesApplied() const { return intake_.framesApplied(); }
    int frameRate() const { return frameRate_.load(); }
    core::Size sourceSize() const;
    desktop::ShareableWindow target() const;

    // Pixels per point of the display under the window's centre; none when unknown.
    static std::optional<double> sourceDisplayScale(const desktop::ShareableWindow& window);
    // The content's windows that lie in front of the source and overlap it.
    static std::vector<desktop::ShareableWindow> frontWindows(const desktop::ShareableWindow& source,
                                                              const desktop::ShareableContent& content);
    // A window-list entry's flags as a short log text.
    static std::string formatFlags(const desktop::WindowInfo& info);

private:
    using Step = std::function<void(StreamMirror&)>;
    using StreamRef = std::shared_ptr<desktop::CaptureStream>;

    // The mirror as deferred work holds it: weakly, with the queue to run on.
    struct Ref {
        std::weak_ptr<StreamMirror> mirror;
        dispatch::Queue queue;
        // Runs the step on the capture queue while the mirror lives and is not stopped.
        void post(Step step) const;
        dispatch::WorkItem postAfter(double seconds, Step step) const;
        dispatch::Task guarded(Step step) const;
    };

    StreamMirror(desktop::ShareableWindow target, int frameRate);
    Ref ref() { return Ref{weak_from_this(), queue_}; }

    // --- the stream's life (StreamMirror.cpp) ---
    void startFreshNow();
    void start();
    void startCapture(const StreamRef& stream, std::uint64_t generation);
    StreamRef detachStream();
    void dropStream();
    void teardown();
    void applyPause();
    void streamDidStop(std::uint64_t generation, const desktop::Error& error);
    void restartStream(const std::string& reason);
    void handleFrame(std::uint64_t generation, const desktop::Frame& frame);
    CaptureMode captureMode() const;
    desktop::ContentFilter makeFilter(desktop::StreamConfiguration& configuration) const;
    desktop::StreamConfiguration makeConfiguration(int pixelWidth, int pixelHeight) const;
    int derivedHeight(int pixelWidth) const;
    // The primary display's backing scale, 2.0 when none is known.
    static double mainScreenScale();
    void setTarget(const desktop::ShareableWindow& target);
    void setSourceSize(core::Size size);
    void setContentRegion(const core::Rect& region);

    // --- in-place changes (FilterRefresh.cpp, FrameRateSwitch.cpp) ---
    void refreshTarget(std::function<void(StreamMirror&, bool)> done);
    bool applyRefreshedTarget(const std::optional<desktop::ShareableContent>& content,
                              const std::optional<desktop::Error>& error);
    void swapFilterAndConfiguration(
        const StreamRef& stream, const desktop::ContentFilter& filter,
        const desktop::StreamConfiguration& configuration, bool sendConfiguration,
        std::function<void(StreamMirror&, std::optional<desktop::Error>, std::optional<desktop::Error>)> done);
    void verifyFramesAfter(double seconds, const StreamRef& stream, Step onSilence, Step onFlowing);
    void refreshFilterAndConfig(core::Size size);
    void scheduleFilterRefreshForMove();
    void switchFrameRate(int fps);

    // --- following the source (SourceFollowing.cpp) ---
    void startResizePoll();
    void pollTick();
    void checkFullscreenLater();
    void judgeOffscreen(desktop::Pid front, desktop::Pid source, std::optional<bool> minimized);
    void scheduleResizeFollow(core::Size size);
    void adoptSourceSize(core::Size size);
    core::Rect cropFor(core::Size liveSize, core::Size capturedSize) const;
    void startAXObservation();
    void removeAXObservation();

    // --- diagnostics (GroundTruthProbe.cpp) ---
    void startGroundTruthProbe();
    void probeTick();
    void screenshotDigest(desktop::WindowID windowID, std::function<void(StreamMirror&, std::string)> done);
    void displayDigest(desktop::WindowID windowID, bool excludeFront,
                       std::function<void(StreamMirror&, std::string)> done);

    // --- the health state machines' questions and orders (StreamMirrorHealth.cpp) ---
    void captureDied() override;
    void captureRecovered() override;
    void frameWidthChanged() override;
    void contentChanged() override;
    void contentStale() override;
    bool mirrorPaused() override;
    std::optional<core::Rect> sourceBounds() override;
    std::optional<std::string> occluderDescription() override;
    void withdrawFrozenNotice() override;
    void showFrozenNotice() override;
    std::optional<std::string> windowEvidence() override;
    void rebuild(const std::string& reason) override;
    bool isBorrowedByPinnedPreview() override;
    void prewarmDisplay() override;
    bool canRequestPark() override;
    RescueOutcome requestPark() override;

    const dispatch::Queue queue_;

    // Read from any thread.
    std::atomic<bool> stopped_{false};
    std::atomic<bool> pausedWanted_{false};
    std::atomic<bool> hasStream_{false};
    std::atomic<int> frameRate_;
    mutable std::mutex publishedMutex_;
    desktop::ShareableWindow publishedTarget_;
    core::Size publishedSourceSize_;

    // Capture queue only.
    desktop::ShareableWindow target_;
    std::optional<desktop::ShareableContent> lastShareableContent_;
    std::optional<desktop::ShareableDisplay> sourceDisplay_;
    StreamRef stream_;
    // What the running stream captures: its filter's kind.
    desktop::ContentFilter::Kind streamKind_ = desktop::ContentFilter::Kind::window;
    std::uint64_t generation_ = 0;
    bool streamPaused_ = false;
    int currentPixelW_ = 0;
    int currentPixelH_ = 0;
    double streamScale_ = 0;
    core::Size sourceSize_;
    core::Point followedOrigin_;
    core::Rect contentRegion_{0, 0, 1, 1};
    long framesDeliveredAtSwitch_ = 0;
    int shownWidth_ = 0;
    int shownHeight_ = 0;

    dispatch::Timer resizePollTimer_;
    dispatch::Timer groundTruthTimer_;
    dispatch::WorkItem pendingResizeWork_;
    core::Size pendingResizeSize_;
    dispatch::WorkItem pendingMoveWork_;
    dispatch::WorkItem recoveryWork_;

    enum class OffscreenNote { none, minimized, unreadable };
    bool offscreenLogged_ = false;
    bool fullscreenNotified_ = false;
    OffscreenNote offscreenNote_ = OffscreenNote::none;
    std::optional<std::string> sizeMismatchNote_;

    std::optional<desktop::Token> axObserver_;

    std::optional<std::string> lastLegacyDigest_;
    long legacySameStreak_ = 0;

    capture::FrameIntake intake_{*this};
    capture::NoFrameWatchdog noFrame_;
    capture::StaleWatchdog stale_;
    capture::OcclusionGate gate_;
    capture::FrozenNotice frozen_;
    capture::FrameMailbox mailbox_;
};

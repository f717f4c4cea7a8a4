#pragma once

#include "platform/desktop/Capture.h"
#include "platform/dispatch/Timer.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11FrameSource.h"

#include <memory>
#include <mutex>

namespace x11 {

// One live capture on X11. Frames go out on the output queue at the configured interval,
// and at once when the content changes (never sooner than the interval after the last):
// a complete frame with the latest picture (read again only after the content changed,
// else the last one shared), an idle one while the source shows nothing. Completions run
// on the global queue.
class X11CaptureStream : public desktop::CaptureStream, public std::enable_shared_from_this<X11CaptureStream> {
public:
    X11CaptureStream(CaptureServices services, const desktop::ContentFilter& filter,
                     const desktop::StreamConfiguration& configuration,
                     std::function<void(const desktop::Error&)> onStopped);

    std::optional<desktop::Error> addOutput(dispatch::Queue queue,
                                            std::function<void(const desktop::Frame&)> onFrame) override;
    void removeOutput() override;
    void startCapture(desktop::CaptureCompletion completion) override;
    void stopCapture(desktop::CaptureCompletion completion) override;
    void updateContentFilter(const desktop::ContentFilter& filter, desktop::CaptureCompletion completion) override;
    void updateConfiguration(const desktop::StreamConfiguration& configuration,
                             desktop::CaptureCompletion completion) override;

    bool isCapturing() const;
    // How often the stream read pixels from the server.
    long reads() const;

private:
    enum class State { ready, capturing, stopped, ended };
    struct Output {
        dispatch::Queue queue;
        std::function<void(const desktop::Frame&)> onFrame;
    };

    void restartTimerLocked();
    void contentChanged();
    void produceFrame(std::uint64_t timerGeneration, bool changed);
    bool currentLocked(std::uint64_t timerGeneration) const;
    void complete(desktop::CaptureCompletion completion, std::optional<long> errorCode);

    const CaptureServices services_;
    const std::function<void(const desktop::Error&)> onStopped_;

    mutable std::mutex mutex_;
    State state_ = State::ready;
    desktop::ContentFilter filter_;
    desktop::StreamConfiguration configuration_;
    std::optional<Output> output_;
    dispatch::Timer timer_;
    std::uint64_t timerGeneration_ = 0;
    std::uint64_t filterGeneration_ = 0;
    double lastFrameAt_ = -1e9;

    // Used by one frame at a time; a stop lets the window go (its redirection and Damage).
    mutable std::mutex sourceMutex_;
    std::unique_ptr<FrameSource> source_;
    std::uint64_t sourceFilterGeneration_ = 0;
    long earlierReads_ = 0;
};

}  // namespace x11

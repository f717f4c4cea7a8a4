#pragma once

#include "platform/desktop/Capture.h"
#include "platform/dispatch/Timer.h"

#include <cstdint>
#include <memory>
#include <mutex>

namespace desktop {

// The life of a capture stream that a timer drives, the same on every desktop: which
// calls each state allows and the errors the others answer, completions on the global
// queue, a tick every frame interval (at most 60 a second) on the output's queue while
// it captures and has an output (while its picture stays the same, where the scheduler
// aligns ticks, about four a second), and frames handed over only while the tick that made
// them is still the current one. A desktop says how a frame is made.
//
// Made by std::make_shared: ticks hold the stream weakly.
class TimedCaptureStream : public CaptureStream, public std::enable_shared_from_this<TimedCaptureStream> {
public:
    std::optional<Error> addOutput(dispatch::Queue queue, std::function<void(const Frame&)> onFrame) override;
    void removeOutput() override;
    void startCapture(CaptureCompletion completion) override;
    void stopCapture(CaptureCompletion completion) override;
    void updateContentFilter(const ContentFilter& filter, CaptureCompletion completion) override;
    void updateConfiguration(const StreamConfiguration& configuration, CaptureCompletion completion) override;

    bool isCapturing() const;
    // Frames handed to the output so far, of any status.
    long framesDelivered() const;
    ContentFilter filter() const;

protected:
    TimedCaptureStream(const ContentFilter& filter, const StreamConfiguration& configuration,
                       std::function<void(const Error&)> onStopped);

    // A tick of the timer that started with this generation; on the output's queue.
    virtual void produceFrame(std::uint64_t timerGeneration) = 0;

    // The error code that refuses an output or a start the state allows; with mutex_ held.
    virtual std::optional<long> refusalOfOutputLocked() { return std::nullopt; }
    virtual std::optional<long> refusalOfStartLocked() { return std::nullopt; }
    // A new configuration was taken; with mutex_ held.
    virtual void configurationChangedLocked() {}
    // A stop succeeded; before its completion, without mutex_.
    virtual void captureStopped() {}

    // Whether a frame begun on this tick may still go out.
    bool currentLocked(std::uint64_t timerGeneration) const;
    // The time between ticks while the picture changes.
    double intervalLocked() const;
    // Hands the frame to the output unless its tick is no longer the current one.
    void deliver(std::uint64_t timerGeneration, const Frame& frame);
    // Runs work on the output's queue with the current tick's generation, if the stream
    // captures and has an output; after the delay, if one is given.
    void postToOutput(std::function<void(std::uint64_t timerGeneration)> work);
    void postToOutputLocked(double delaySeconds, std::function<void(std::uint64_t timerGeneration)> work);
    // Ends the stream for good and tells of the error on the global queue, unless the
    // tick is no longer the current one.
    void end(std::uint64_t timerGeneration, const Error& error);

    template <class Stream>
    std::weak_ptr<Stream> weakSelf()
    {
        return std::static_pointer_cast<Stream>(shared_from_this());
    }

    mutable std::mutex mutex_;
    // Guarded by mutex_.
    ContentFilter filter_;
    StreamConfiguration configuration_;
    // Counts the filter's updates, so that what was built for an older filter is known.
    std::uint64_t filterGeneration_ = 0;
    double lastFrameAt_ = -1e9;  // when the last frame went out; long ago before the first

private:
    enum class State { ready, capturing, stopped, ended };
    struct Output {
        dispatch::Queue queue;
        std::function<void(const Frame&)> onFrame;
    };

    void restartTimerLocked();
    // Applies an update, with mutex_ held, if the stream captures; the completion says
    // whether it did.
    void updateWhileCapturing(CaptureCompletion completion, const std::function<void()>& applyLocked);
    void complete(CaptureCompletion completion, std::optional<long> errorCode);

    const std::function<void(const Error&)> onStopped_;
    State state_ = State::ready;
    std::optional<Output> output_;
    dispatch::Timer timer_;
    std::uint64_t timerGeneration_ = 0;
    long framesDelivered_ = 0;
    // The buffer of the last frame handed over, only to tell a repeated one.
    const PixelBuffer* lastPicture_ = nullptr;
    // The last frame handed over repeated the one before (or had no picture), where the
    // scheduler aligns ticks: the timer ticks about every stillSpacing.
    bool still_ = false;
    // Often enough for whoever watches that frames come: a rate switch is checked after
    // 0.6 s at the soonest, and the content is sampled every 0.5 s.
    static constexpr double stillSpacing = 0.25;
};

}  // namespace desktop

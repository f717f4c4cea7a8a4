#include "platform/desktop/TimedCaptureStream.h"

#include "platform/desktop/CaptureErrors.h"
#include "platform/dispatch/Scheduler.h"
#include "platform/dispatch/WhileAlive.h"

#include <algorithm>
#include <cmath>

namespace desktop {

namespace ce = captureError;

TimedCaptureStream::TimedCaptureStream(const ContentFilter& filter, const StreamConfiguration& configuration,
                                       std::function<void(const Error&)> onStopped)
    : filter_(filter), configuration_(configuration), onStopped_(std::move(onStopped))
{
}

std::optional<Error> TimedCaptureStream::addOutput(dispatch::Queue queue, std::function<void(const Frame&)> onFrame)
{
    std::lock_guard lock(mutex_);
    if (output_ || state_ == State::ended) return ce::error(ce::invalidParameter);
    if (const auto code = refusalOfOutputLocked()) return ce::error(*code);
    output_ = Output{std::move(queue), std::move(onFrame)};
    restartTimerLocked();
    return std::nullopt;
}

void TimedCaptureStream::removeOutput()
{
    std::lock_guard lock(mutex_);
    output_.reset();
    restartTimerLocked();
}

void TimedCaptureStream::startCapture(CaptureCompletion completion)
{
    std::optional<long> failure;
    {
        std::lock_guard lock(mutex_);
        if (state_ == State::capturing || state_ == State::ended) {
            failure = ce::attemptToStartStreamState;
        } else if (const auto code = refusalOfStartLocked()) {
            failure = code;
        } else {
            state_ = State::capturing;
            restartTimerLocked();
        }
    }
    complete(std::move(completion), failure);
}

void TimedCaptureStream::stopCapture(CaptureCompletion completion)
{
    std::optional<long> failure;
    {
        std::lock_guard lock(mutex_);
        if (state_ != State::capturing) {
            failure = ce::attemptToStopStreamState;
        } else {
            state_ = State::stopped;
            restartTimerLocked();
        }
    }
    if (!failure) captureStopped();
    complete(std::move(completion), failure);
}

void TimedCaptureStream::updateContentFilter(const ContentFilter& filter, CaptureCompletion completion)
{
    updateWhileCapturing(std::move(completion), [&] {
        filter_ = filter;
        ++filterGeneration_;
    });
}

void TimedCaptureStream::updateConfiguration(const StreamConfiguration& configuration, CaptureCompletion completion)
{
    updateWhileCapturing(std::move(completion), [&] {
        configuration_ = configuration;
        configurationChangedLocked();
        restartTimerLocked();
    });
}

void TimedCaptureStream::updateWhileCapturing(CaptureCompletion completion, const std::function<void()>& applyLocked)
{
    std::optional<long> failure;
    {
        std::lock_guard lock(mutex_);
        if (state_ != State::capturing)
            failure = ce::attemptToUpdateFilterState;
        else
            applyLocked();
    }
    complete(std::move(completion), failure);
}

bool TimedCaptureStream::isCapturing() const
{
    std::lock_guard lock(mutex_);
    return state_ == State::capturing;
}

long TimedCaptureStream::framesDelivered() const
{
    std::lock_guard lock(mutex_);
    return framesDelivered_;
}

ContentFilter TimedCaptureStream::filter() const
{
    std::lock_guard lock(mutex_);
    return filter_;
}

// Every change of state, output or interval ends the running timer; a frame already on
// its way checks the generation and is dropped.
void TimedCaptureStream::restartTimerLocked()
{
    ++timerGeneration_;
    timer_.cancel();
    if (state_ != State::capturing || !output_) return;
    still_ = false;
    const double interval = intervalLocked();
    timer_ = dispatch::Timer(
        output_->queue, interval,
        dispatch::whileAlive(weak_from_this(), [generation = timerGeneration_](TimedCaptureStream& self) {
            self.produceFrame(generation);
        }));
}

double TimedCaptureStream::intervalLocked() const { return std::max(configuration_.minimumFrameInterval, 1.0 / 60); }

bool TimedCaptureStream::currentLocked(std::uint64_t timerGeneration) const
{
    return state_ == State::capturing && output_ && timerGeneration == timerGeneration_;
}

void TimedCaptureStream::postToOutput(std::function<void(std::uint64_t timerGeneration)> work)
{
    std::lock_guard lock(mutex_);
    postToOutputLocked(0, std::move(work));
}

void TimedCaptureStream::postToOutputLocked(double delaySeconds,
                                            std::function<void(std::uint64_t timerGeneration)> work)
{
    if (state_ != State::capturing || !output_) return;
    auto withGeneration = [work = std::move(work), generation = timerGeneration_] { work(generation); };
    if (delaySeconds > 0)
        output_->queue.asyncAfter(delaySeconds, std::move(withGeneration));
    else
        output_->queue.async(std::move(withGeneration));
}

void TimedCaptureStream::deliver(std::uint64_t timerGeneration, const Frame& frame)
{
    std::function<void(const Frame&)> onFrame;
    {
        std::lock_guard lock(mutex_);
        if (!currentLocked(timerGeneration)) return;
        ++framesDelivered_;
        lastFrameAt_ = frame.presentationTime;
        // A still picture's ticks are cheap: they tick together with other still streams',
        // and only as often as whoever watches that frames come needs; a change comes at
        // once anyway. Ticks that read new pictures keep their own moments, or the reads
        // would pile up.
        const desktop::PixelBuffer* const picture = frame.image.get();
        const bool wasStill = still_;
        still_ = dispatch::scheduler().alignsTimerTicks() && (!picture || picture == lastPicture_);
        lastPicture_ = picture;
        if (wasStill && !still_)
            restartTimerLocked();
        else
            timer_.alignTicks(still_, static_cast<int>(std::lround(stillSpacing / intervalLocked())));
        onFrame = output_->onFrame;
    }
    if (onFrame) onFrame(frame);
}

void TimedCaptureStream::end(std::uint64_t timerGeneration, const Error& error)
{
    {
        std::lock_guard lock(mutex_);
        if (!currentLocked(timerGeneration)) return;
        state_ = State::ended;
        restartTimerLocked();
    }
    if (onStopped_) dispatch::global().async([onStopped = onStopped_, error] { onStopped(error); });
}

void TimedCaptureStream::complete(CaptureCompletion completion, std::optional<long> errorCode)
{
    if (!completion) return;
    std::optional<Error> error;
    if (errorCode) error = ce::error(*errorCode);
    dispatch::global().async([completion = std::move(completion), error] { completion(error); });
}

}  // namespace desktop

#include "platform/x11/X11CaptureStream.h"

#include "platform/sim/CaptureErrors.h"

#include <algorithm>

namespace x11 {

namespace ce = desktop::captureError;
using sim::captureError;

X11CaptureStream::X11CaptureStream(CaptureServices services, const desktop::ContentFilter& filter,
                                   const desktop::StreamConfiguration& configuration,
                                   std::function<void(const desktop::Error&)> onStopped)
    : services_(std::move(services)), onStopped_(std::move(onStopped)), filter_(filter), configuration_(configuration)
{
}

std::optional<desktop::Error> X11CaptureStream::addOutput(dispatch::Queue queue,
                                                          std::function<void(const desktop::Frame&)> onFrame)
{
    std::lock_guard lock(mutex_);
    if (output_ || state_ == State::ended) return captureError(ce::invalidParameter);
    output_ = Output{std::move(queue), std::move(onFrame)};
    restartTimerLocked();
    return std::nullopt;
}

void X11CaptureStream::removeOutput()
{
    std::lock_guard lock(mutex_);
    output_.reset();
    restartTimerLocked();
}

void X11CaptureStream::startCapture(desktop::CaptureCompletion completion)
{
    std::optional<long> failure;
    {
        std::lock_guard lock(mutex_);
        if (state_ == State::capturing || state_ == State::ended) {
            failure = ce::attemptToStartStreamState;
        } else {
            state_ = State::capturing;
            restartTimerLocked();
        }
    }
    complete(std::move(completion), failure);
}

void X11CaptureStream::stopCapture(desktop::CaptureCompletion completion)
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
    if (!failure) {
        std::lock_guard lock(sourceMutex_);
        if (source_) earlierReads_ += source_->reads();
        source_.reset();
    }
    complete(std::move(completion), failure);
}

void X11CaptureStream::updateContentFilter(const desktop::ContentFilter& filter, desktop::CaptureCompletion completion)
{
    std::optional<long> failure;
    {
        std::lock_guard lock(mutex_);
        if (state_ != State::capturing) {
            failure = ce::attemptToUpdateFilterState;
        } else {
            filter_ = filter;
            ++filterGeneration_;
        }
    }
    complete(std::move(completion), failure);
}

void X11CaptureStream::updateConfiguration(const desktop::StreamConfiguration& configuration,
                                           desktop::CaptureCompletion completion)
{
    std::optional<long> failure;
    {
        std::lock_guard lock(mutex_);
        if (state_ != State::capturing) {
            failure = ce::attemptToUpdateFilterState;
        } else {
            configuration_ = configuration;
            restartTimerLocked();
        }
    }
    complete(std::move(completion), failure);
}

bool X11CaptureStream::isCapturing() const
{
    std::lock_guard lock(mutex_);
    return state_ == State::capturing;
}

long X11CaptureStream::reads() const
{
    std::lock_guard lock(sourceMutex_);
    return earlierReads_ + (source_ ? source_->reads() : 0);
}

// Every change of state, output or interval ends the running timer; a frame already on
// its way checks the generation and is dropped.
void X11CaptureStream::restartTimerLocked()
{
    ++timerGeneration_;
    timer_.cancel();
    if (state_ != State::capturing || !output_) return;
    const double interval = std::max(configuration_.minimumFrameInterval, 1.0 / 60);
    std::weak_ptr<X11CaptureStream> weak = weak_from_this();
    timer_ = dispatch::Timer(output_->queue, interval, [weak, generation = timerGeneration_] {
        if (const auto self = weak.lock()) self->produceFrame(generation, false);
    });
}

bool X11CaptureStream::currentLocked(std::uint64_t timerGeneration) const
{
    return state_ == State::capturing && output_ && timerGeneration == timerGeneration_;
}

void X11CaptureStream::contentChanged()
{
    std::lock_guard lock(mutex_);
    if (state_ != State::capturing || !output_) return;
    std::weak_ptr<X11CaptureStream> weak = weak_from_this();
    output_->queue.async([weak, generation = timerGeneration_] {
        if (const auto self = weak.lock()) self->produceFrame(generation, true);
    });
}

void X11CaptureStream::produceFrame(std::uint64_t timerGeneration, bool changed)
{
    desktop::ContentFilter filter;
    desktop::StreamConfiguration configuration;
    std::uint64_t filterGeneration = 0;
    {
        std::lock_guard lock(mutex_);
        if (!currentLocked(timerGeneration)) return;
        // A change goes out at once unless a frame went out within the interval; the
        // timer's next frame shows it then. A tick right after such a frame is not needed.
        const double since = dispatch::now() - lastFrameAt_;
        const double interval = std::max(configuration_.minimumFrameInterval, 1.0 / 60);
        if (changed ? since < configuration_.minimumFrameInterval : since < interval / 2) return;
        filter = filter_;
        configuration = configuration_;
        filterGeneration = filterGeneration_;
    }

    desktop::Frame frame;
    frame.presentationTime = dispatch::now();
    {
        std::lock_guard lock(sourceMutex_);
        {
            // A stop that came meanwhile has let the window go: it stays gone.
            std::lock_guard stateLock(mutex_);
            if (!currentLocked(timerGeneration)) return;
        }
        if (!source_ || sourceFilterGeneration_ != filterGeneration) {
            if (source_) earlierReads_ += source_->reads();
            std::weak_ptr<X11CaptureStream> weak = weak_from_this();
            source_ = makeFrameSource(services_, filter, [weak] {
                if (const auto self = weak.lock()) self->contentChanged();
            });
            sourceFilterGeneration_ = filterGeneration;
        }
        if (const auto picture = source_->next(configuration)) {
            frame.status = desktop::FrameStatus::complete;
            frame.image = picture->image;
            frame.contentRect = core::Rect(0, 0, picture->image->width, picture->image->height);
            frame.scaleFactor = picture->scaleFactor;
        } else {
            frame.status = desktop::FrameStatus::idle;
        }
    }

    std::function<void(const desktop::Frame&)> onFrame;
    {
        std::lock_guard lock(mutex_);
        if (!currentLocked(timerGeneration)) return;
        lastFrameAt_ = frame.presentationTime;
        onFrame = output_->onFrame;
    }
    if (onFrame) onFrame(frame);
}

void X11CaptureStream::complete(desktop::CaptureCompletion completion, std::optional<long> errorCode)
{
    if (!completion) return;
    std::optional<desktop::Error> error;
    if (errorCode) error = captureError(*errorCode);
    dispatch::global().async([completion = std::move(completion), error] { completion(error); });
}

}  // namespace x11

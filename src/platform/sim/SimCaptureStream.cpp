#include "platform/sim/SimCaptureStream.h"

#include "platform/sim/CaptureErrors.h"
#include "platform/sim/CaptureRenderer.h"

#include <algorithm>

namespace sim {

namespace ce = desktop::captureError;

SimCaptureStream::SimCaptureStream(std::shared_ptr<SimWorld> world, std::shared_ptr<CaptureFaults> faults,
                                   const desktop::ContentFilter& filter,
                                   const desktop::StreamConfiguration& configuration,
                                   std::function<void(const desktop::Error&)> onStopped)
    : world_(std::move(world)),
      faults_(std::move(faults)),
      onStopped_(std::move(onStopped)),
      filter_(filter),
      configuration_(configuration),
      referenceSize_(capturedSize(*world_, filter, configuration))
{
}

std::optional<desktop::Error> SimCaptureStream::addOutput(dispatch::Queue queue,
                                                          std::function<void(const desktop::Frame&)> onFrame)
{
    std::lock_guard lock(mutex_);
    if (output_ || state_ == State::ended) return captureError(ce::invalidParameter);
    if (const auto code = faults_->take(faultWindowLocked(), CaptureFault::addOutputFails)) return captureError(*code);
    output_ = Output{std::move(queue), std::move(onFrame)};
    restartTimerLocked();
    return std::nullopt;
}

void SimCaptureStream::removeOutput()
{
    std::lock_guard lock(mutex_);
    output_.reset();
    restartTimerLocked();
}

void SimCaptureStream::startCapture(desktop::CaptureCompletion completion)
{
    std::optional<long> failure;
    {
        std::lock_guard lock(mutex_);
        if (state_ == State::capturing || state_ == State::ended) {
            failure = ce::attemptToStartStreamState;
        } else if (const auto code = faults_->take(faultWindowLocked(), CaptureFault::startFails)) {
            failure = code;
        } else {
            state_ = State::capturing;
            restartTimerLocked();
        }
    }
    complete(std::move(completion), failure);
}

void SimCaptureStream::stopCapture(desktop::CaptureCompletion completion)
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
    complete(std::move(completion), failure);
}

void SimCaptureStream::updateContentFilter(const desktop::ContentFilter& filter, desktop::CaptureCompletion completion)
{
    std::optional<long> failure;
    {
        std::lock_guard lock(mutex_);
        if (state_ != State::capturing) {
            failure = ce::attemptToUpdateFilterState;
        } else {
            filter_ = filter;
        }
    }
    complete(std::move(completion), failure);
}

void SimCaptureStream::updateConfiguration(const desktop::StreamConfiguration& configuration,
                                           desktop::CaptureCompletion completion)
{
    std::optional<long> failure;
    {
        std::lock_guard lock(mutex_);
        if (state_ != State::capturing) {
            failure = ce::attemptToUpdateFilterState;
        } else {
            configuration_ = configuration;
            referenceSize_ = capturedSize(*world_, filter_, configuration_);
            restartTimerLocked();
        }
    }
    complete(std::move(completion), failure);
}

long SimCaptureStream::framesDelivered() const
{
    std::lock_guard lock(mutex_);
    return framesDelivered_;
}

bool SimCaptureStream::isCapturing() const
{
    std::lock_guard lock(mutex_);
    return state_ == State::capturing;
}

desktop::ContentFilter SimCaptureStream::filter() const
{
    std::lock_guard lock(mutex_);
    return filter_;
}

desktop::WindowID SimCaptureStream::faultWindow() const
{
    std::lock_guard lock(mutex_);
    return faultWindowLocked();
}

desktop::WindowID SimCaptureStream::faultWindowLocked() const
{
    if (filter_.kind == desktop::ContentFilter::Kind::window) return filter_.window.windowID;
    if (filter_.kind == desktop::ContentFilter::Kind::displayIncluding && !filter_.windows.empty())
        return filter_.windows.front().windowID;
    return 0;
}

// Every change of state, output or interval ends the running timer; a frame already on
// its way checks the generation and is dropped.
void SimCaptureStream::restartTimerLocked()
{
    ++timerGeneration_;
    timer_.cancel();
    if (state_ != State::capturing || !output_) return;
    const double interval = std::max(configuration_.minimumFrameInterval, 1.0 / 60);
    std::weak_ptr<SimCaptureStream> weak = weak_from_this();
    timer_ = dispatch::Timer(output_->queue, interval, [weak, generation = timerGeneration_] {
        if (const auto self = weak.lock()) self->produceFrame(generation);
    });
}

bool SimCaptureStream::currentLocked(std::uint64_t timerGeneration) const
{
    return state_ == State::capturing && output_ && timerGeneration == timerGeneration_;
}

void SimCaptureStream::produceFrame(std::uint64_t timerGeneration)
{
    desktop::ContentFilter filter;
    desktop::StreamConfiguration configuration;
    core::Size referenceSize;
    desktop::WindowID window = 0;
    {
        std::lock_guard lock(mutex_);
        if (!currentLocked(timerGeneration)) return;
        filter = filter_;
        configuration = configuration_;
        referenceSize = referenceSize_;
        window = faultWindowLocked();
    }
    // A source the desktop does not show has nothing new to capture; a real capture
    // service then sends nothing at all.
    if (!world_->screenRecordingAllowed() || sourceHidden(*world_, filter)) return;

    if (const auto code = faults_->take(window, CaptureFault::stop)) {
        {
            std::lock_guard lock(mutex_);
            if (!currentLocked(timerGeneration)) return;
            state_ = State::ended;
            restartTimerLocked();
        }
        if (onStopped_) dispatch::global().async([onStopped = onStopped_, error = captureError(*code)] { onStopped(error); });
        return;
    }
    if (faults_->take(window, CaptureFault::silence)) return;

    desktop::Frame frame;
    frame.presentationTime = dispatch::now();
    if (faults_->take(window, CaptureFault::incomplete)) {
        frame.status = desktop::FrameStatus::blank;
    } else if (const auto picture = renderCapture(*world_, filter, configuration, referenceSize)) {
        frame.status = desktop::FrameStatus::complete;
        frame.image = picture->image;
        frame.contentRect = picture->contentRect;
        frame.scaleFactor = picture->scaleFactor;
    } else {
        frame.status = desktop::FrameStatus::idle;
    }

    std::function<void(const desktop::Frame&)> onFrame;
    {
        std::lock_guard lock(mutex_);
        if (!currentLocked(timerGeneration)) return;
        ++framesDelivered_;
        onFrame = output_->onFrame;
    }
    if (onFrame) onFrame(frame);
}

void SimCaptureStream::complete(desktop::CaptureCompletion completion, std::optional<long> errorCode)
{
    if (!completion) return;
    std::optional<desktop::Error> error;
    if (errorCode) error = captureError(*errorCode);
    dispatch::global().async([completion = std::move(completion), error] { completion(error); });
}

}  // namespace sim

#include "platform/sim/SimCaptureStream.h"

#include "platform/desktop/CaptureErrors.h"
#include "platform/sim/CaptureRenderer.h"

namespace sim {

SimCaptureStream::SimCaptureStream(std::shared_ptr<SimWorld> world, std::shared_ptr<CaptureFaults> faults,
                                   const desktop::ContentFilter& filter,
                                   const desktop::StreamConfiguration& configuration,
                                   std::function<void(const desktop::Error&)> onStopped)
    : TimedCaptureStream(filter, configuration, std::move(onStopped)),
      world_(std::move(world)),
      faults_(std::move(faults)),
      referenceSize_(capturedSize(*world_, filter, configuration))
{
}

std::optional<long> SimCaptureStream::refusalOfOutputLocked()
{
    return faults_->take(faultWindowLocked(), CaptureFault::addOutputFails);
}

std::optional<long> SimCaptureStream::refusalOfStartLocked()
{
    return faults_->take(faultWindowLocked(), CaptureFault::startFails);
}

void SimCaptureStream::configurationChangedLocked() { referenceSize_ = capturedSize(*world_, filter_, configuration_); }

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
        end(timerGeneration, desktop::captureError::error(*code));
        return;
    }
    if (faults_->take(window, CaptureFault::silence)) return;

    desktop::Frame frame;
    frame.presentationTime = dispatch::now();
    if (faults_->take(window, CaptureFault::incomplete)) {
        frame.status = desktop::FrameStatus::blank;
    } else if (const auto picture = renderCapture(*world_, filter, configuration, referenceSize, &recycler_)) {
        frame.status = desktop::FrameStatus::complete;
        frame.image = picture->image;
        frame.contentRect = picture->contentRect;
        frame.scaleFactor = picture->scaleFactor;
    } else {
        frame.status = desktop::FrameStatus::idle;
    }
    deliver(timerGeneration, frame);
}

}  // namespace sim

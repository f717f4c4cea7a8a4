#include "platform/x11/X11CaptureStream.h"

#include "platform/dispatch/WhileAlive.h"

#include <algorithm>

namespace x11 {

X11CaptureStream::X11CaptureStream(CaptureServices services, const desktop::ContentFilter& filter,
                                   const desktop::StreamConfiguration& configuration,
                                   std::function<void(const desktop::Error&)> onStopped)
    : TimedCaptureStream(filter, configuration, std::move(onStopped)), services_(std::move(services))
{
}

void X11CaptureStream::captureStopped()
{
    std::lock_guard lock(sourceMutex_);
    if (source_) earlierReads_ += source_->reads();
    source_.reset();
}

long X11CaptureStream::reads() const
{
    std::lock_guard lock(sourceMutex_);
    return earlierReads_ + (source_ ? source_->reads() : 0);
}

void X11CaptureStream::setShownSize(int width, int height)
{
    std::lock_guard lock(mutex_);
    shownSize_ = {width, height};
}

void X11CaptureStream::contentChanged()
{
    postToOutput(dispatch::whileAlive(
        weakSelf<X11CaptureStream>(),
        [](X11CaptureStream& self, std::uint64_t timerGeneration) { self.produceFrame(timerGeneration, true); }));
}

void X11CaptureStream::produceFrame(std::uint64_t timerGeneration) { produceFrame(timerGeneration, false); }

void X11CaptureStream::produceFrame(std::uint64_t timerGeneration, bool changed)
{
    desktop::ContentFilter filter;
    desktop::StreamConfiguration configuration;
    std::uint64_t filterGeneration = 0;
    PixelSize shownSize;
    {
        std::lock_guard lock(mutex_);
        if (!currentLocked(timerGeneration)) return;
        // A change goes out at once unless a frame went out within the interval; then as
        // soon as the interval has passed, as a tick: the timer's own tick may come almost
        // an interval later, and on a busy server that is a frame lost. A tick right after
        // a frame is not needed.
        const double since = dispatch::now() - lastFrameAt_;
        if (changed && since < configuration_.minimumFrameInterval) {
            postToOutputLocked(configuration_.minimumFrameInterval - since,
                               dispatch::whileAlive(weakSelf<X11CaptureStream>(),
                                                    [](X11CaptureStream& self, std::uint64_t timerGeneration) {
                                                        self.produceFrame(timerGeneration, false);
                                                    }));
            return;
        }
        if (!changed && since < intervalLocked() / 2) return;
        filter = filter_;
        configuration = configuration_;
        filterGeneration = filterGeneration_;
        shownSize = shownSize_;
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
            source_ = makeFrameSource(services_, filter,
                                      dispatch::whileAlive(weakSelf<X11CaptureStream>(),
                                                           [](X11CaptureStream& self) { self.contentChanged(); }));
            sourceFilterGeneration_ = filterGeneration;
        }
        source_->setShownSize(shownSize.width, shownSize.height);
        if (const auto picture = source_->next(configuration)) {
            frame.status = desktop::FrameStatus::complete;
            frame.image = picture->image;
            frame.contentRect = core::Rect(0, 0, picture->image->width, picture->image->height);
            frame.scaleFactor = picture->scaleFactor;
        } else if (source_->putAway()) {
            return;
        } else {
            frame.status = desktop::FrameStatus::idle;
        }
    }
    deliver(timerGeneration, frame);
}

}  // namespace x11

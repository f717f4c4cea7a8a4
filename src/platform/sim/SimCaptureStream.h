#pragma once

#include "platform/desktop/Capture.h"
#include "platform/dispatch/Timer.h"
#include "platform/sim/CaptureFaults.h"
#include "platform/sim/SimWorld.h"

#include <mutex>

namespace sim {

// A capture stream on the simulated desktop. While it captures and has an output it
// produces a frame every frame interval (at most 60 a second) of virtual time, on the
// output's queue: the source's picture, complete; an idle frame without picture once
// the source is gone (a closed window, a display that went); nothing at all while the
// window is minimised or its application hidden, or without
// the screen-recording grant. Faults pending for its window drop frames, make them
// incomplete or end the stream.
class SimCaptureStream : public desktop::CaptureStream, public std::enable_shared_from_this<SimCaptureStream> {
public:
    SimCaptureStream(std::shared_ptr<SimWorld> world, std::shared_ptr<CaptureFaults> faults,
                     const desktop::ContentFilter& filter, const desktop::StreamConfiguration& configuration,
                     std::function<void(const desktop::Error&)> onStopped);

    std::optional<desktop::Error> addOutput(dispatch::Queue queue,
                                            std::function<void(const desktop::Frame&)> onFrame) override;
    void removeOutput() override;
    void startCapture(desktop::CaptureCompletion completion) override;
    void stopCapture(desktop::CaptureCompletion completion) override;
    void updateContentFilter(const desktop::ContentFilter& filter, desktop::CaptureCompletion completion) override;
    void updateConfiguration(const desktop::StreamConfiguration& configuration,
                             desktop::CaptureCompletion completion) override;

    // Frames handed to the output so far, of any status.
    long framesDelivered() const;
    bool isCapturing() const;
    desktop::ContentFilter filter() const;
    // The window whose faults apply: the filter's window, or the first window a display
    // filter includes; 0 for a filter that names none.
    desktop::WindowID faultWindow() const;

private:
    enum class State { ready, capturing, stopped, ended };
    struct Output {
        dispatch::Queue queue;
        std::function<void(const desktop::Frame&)> onFrame;
    };

    void restartTimerLocked();
    void produceFrame(std::uint64_t timerGeneration);
    bool currentLocked(std::uint64_t timerGeneration) const;
    desktop::WindowID faultWindowLocked() const;
    void complete(desktop::CaptureCompletion completion, std::optional<long> errorCode);

    const std::shared_ptr<SimWorld> world_;
    const std::shared_ptr<CaptureFaults> faults_;
    const std::function<void(const desktop::Error&)> onStopped_;

    mutable std::mutex mutex_;
    State state_ = State::ready;
    desktop::ContentFilter filter_;
    desktop::StreamConfiguration configuration_;
    core::Size referenceSize_;  // the content's size in points when the configuration was made
    std::optional<Output> output_;
    dispatch::Timer timer_;
    std::uint64_t timerGeneration_ = 0;
    long framesDelivered_ = 0;
};

}  // namespace sim

#pragma once

#include "platform/desktop/TimedCaptureStream.h"
#include "platform/sim/CaptureFaults.h"
#include "platform/sim/FrameRecycler.h"
#include "platform/sim/SimWorld.h"

namespace sim {

// A capture stream on the simulated desktop. While it captures and has an output it
// produces a frame every frame interval (at most 60 a second) of virtual time, on the
// output's queue: the source's picture, complete; an idle frame without picture once
// the source is gone (a closed window, a display that went); nothing at all while the
// window is minimised or its application hidden, or without
// the screen-recording grant. Faults pending for its window drop frames, make them
// incomplete or end the stream.
class SimCaptureStream : public desktop::TimedCaptureStream {
public:
    SimCaptureStream(std::shared_ptr<SimWorld> world, std::shared_ptr<CaptureFaults> faults,
                     const desktop::ContentFilter& filter, const desktop::StreamConfiguration& configuration,
                     std::function<void(const desktop::Error&)> onStopped);

    // The window whose faults apply: the filter's window, or the first window a display
    // filter includes; 0 for a filter that names none.
    desktop::WindowID faultWindow() const;

private:
    void produceFrame(std::uint64_t timerGeneration) override;
    std::optional<long> refusalOfOutputLocked() override;
    std::optional<long> refusalOfStartLocked() override;
    void configurationChangedLocked() override;
    desktop::WindowID faultWindowLocked() const;

    const std::shared_ptr<SimWorld> world_;
    const std::shared_ptr<CaptureFaults> faults_;
    FrameRecycler recycler_;
    core::Size referenceSize_;  // the content's size in points when the configuration was made; guarded by mutex_
};

}  // namespace sim

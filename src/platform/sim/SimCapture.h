#pragma once

#include "platform/desktop/Capture.h"
#include "platform/sim/CaptureFaults.h"
#include "platform/sim/SimCaptureStream.h"
#include "platform/sim/SimWorld.h"

#include <mutex>

namespace sim {

// Capture on the simulated desktop: shareable content from the world, streams that
// paint the world's windows, screenshots, and the faults scenarios and tests inject.
class SimCapture : public desktop::Capture {
public:
    explicit SimCapture(std::shared_ptr<SimWorld> world);

    void shareableContent(
        bool excludingDesktopWindows, bool onScreenWindowsOnly,
        std::function<void(std::optional<desktop::ShareableContent>, std::optional<desktop::Error>)> completion) override;
    std::shared_ptr<desktop::CaptureStream> makeStream(const desktop::ContentFilter& filter,
                                                       const desktop::StreamConfiguration& configuration,
                                                       std::function<void(const desktop::Error&)> onStopped) override;
    void screenshot(const desktop::ContentFilter& filter, const desktop::StreamConfiguration& configuration,
                    std::function<void(desktop::PixelBufferRef, std::optional<desktop::Error>)> completion) override;
    // A covered window stops drawing here.
    bool coveredWindowsKeepDrawing() override { return false; }
    bool framesShowTheLiveWindow() override { return false; }

    // The next count frames of the window's streams meet the fault (for the start
    // faults: the next count calls fail); code is the error code of a stop or a failure.
    void injectFault(desktop::WindowID window, CaptureFault fault,
                     long code = desktop::captureError::failedApplicationConnectionInterrupted, int count = 1);

    struct StreamReport {
        desktop::WindowID window = 0;    // the stream's fault window (0 when its filter names none)
        desktop::DisplayID display = 0;  // for display filters
        bool capturing = false;
        long framesDelivered = 0;
    };
    // The streams that still exist, in the order they were made.
    std::vector<StreamReport> streams();

private:
    const std::shared_ptr<SimWorld> world_;
    const std::shared_ptr<CaptureFaults> faults_;
    std::mutex mutex_;
    std::vector<std::weak_ptr<SimCaptureStream>> streams_;
};

}  // namespace sim

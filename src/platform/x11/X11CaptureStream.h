#pragma once

#include "platform/desktop/TimedCaptureStream.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11FrameSource.h"
#include "platform/x11/X11ReadSize.h"

#include <memory>
#include <mutex>

namespace x11 {

// One live capture on X11. Frames go out on the output queue at the configured interval,
// and at once when the content changes (never sooner than the interval after the last):
// a complete frame with the latest picture (read again only after the content changed,
// else the last one shared), an idle one while the source shows nothing, none while the
// user has put the window away. Completions run on the global queue.
class X11CaptureStream : public desktop::TimedCaptureStream {
public:
    X11CaptureStream(CaptureServices services, const desktop::ContentFilter& filter,
                     const desktop::StreamConfiguration& configuration,
                     std::function<void(const desktop::Error&)> onStopped);

    // How often the stream read pixels from the server.
    long reads() const;
    // A window shown smaller than it is is read at the shown size, scaled on the server.
    void setShownSize(int width, int height) override;

private:
    void produceFrame(std::uint64_t timerGeneration) override;
    void produceFrame(std::uint64_t timerGeneration, bool changed);
    void captureStopped() override;
    void contentChanged();

    const CaptureServices services_;

    // Used by one frame at a time; a stop lets the window go (its redirection and Damage).
    mutable std::mutex sourceMutex_;
    std::unique_ptr<FrameSource> source_;
    std::uint64_t sourceFilterGeneration_ = 0;
    long earlierReads_ = 0;
    // Guarded by mutex_.
    PixelSize shownSize_;
};

}  // namespace x11

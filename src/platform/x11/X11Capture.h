#pragma once

#include "platform/desktop/Capture.h"
#include "platform/x11/X11CaptureStream.h"

#include <mutex>
#include <vector>

namespace x11 {

// Capture on X11: shareable content from the window list and the displays, streams and
// screenshots read from the windows' composite pixmaps.
class X11Capture : public desktop::Capture {
public:
    X11Capture(std::shared_ptr<Connection> connection, std::shared_ptr<desktop::WindowServer> windowServer,
               std::shared_ptr<desktop::Displays> displays);

    void shareableContent(
        bool excludingDesktopWindows, bool onScreenWindowsOnly,
        std::function<void(std::optional<desktop::ShareableContent>, std::optional<desktop::Error>)> completion) override;
    void shareableContentOf(
        const std::vector<desktop::WindowInfo>& onScreenWindows,
        std::function<void(std::optional<desktop::ShareableContent>, std::optional<desktop::Error>)> completion) override;
    std::shared_ptr<desktop::CaptureStream> makeStream(const desktop::ContentFilter& filter,
                                                       const desktop::StreamConfiguration& configuration,
                                                       std::function<void(const desktop::Error&)> onStopped) override;
    void screenshot(const desktop::ContentFilter& filter, const desktop::StreamConfiguration& configuration,
                    std::function<void(desktop::PixelBufferRef, std::optional<desktop::Error>)> completion) override;
    bool coveredWindowsKeepDrawing() override { return true; }
    bool framesShowTheLiveWindow() override { return true; }

    // The streams that still exist and capture.
    int capturingStreams();

private:
    const CaptureServices services_;
    std::mutex mutex_;
    std::vector<std::weak_ptr<X11CaptureStream>> streams_;
};

}  // namespace x11

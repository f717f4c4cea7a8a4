#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"
#include "platform/desktop/WindowServer.h"
#include "platform/dispatch/Queue.h"

#include <functional>
#include <optional>

namespace desktop {

// The records of shareable content: snapshots of the moment of the query.
struct ShareableApplication {
    std::string bundleIdentifier;  // empty when the application has none
    std::string applicationName;
    Pid processID = 0;
};

struct ShareableWindow {
    WindowID windowID = 0;
    WindowLife life = 0;  // of the window the number named when the content was read
    core::Rect frame;  // global points
    std::optional<std::string> title;
    long windowLayer = 0;
    std::optional<ShareableApplication> owningApplication;
    bool isOnScreen = true;
    bool isActive = false;
};

struct ShareableDisplay {
    DisplayID displayID = 0;
    core::Rect frame;  // global points
    int width = 0;     // points
    int height = 0;
};

struct ShareableContent {
    std::vector<ShareableWindow> windows;  // front to back
    std::vector<ShareableDisplay> displays;
    std::vector<ShareableApplication> applications;
};

// What a stream or screenshot captures.
struct ContentFilter {
    enum class Kind { window, displayIncluding, displayExcluding };
    Kind kind = Kind::window;
    ShareableWindow window;                // kind window
    ShareableDisplay display;              // display kinds
    std::vector<ShareableWindow> windows;  // included or excluded windows

    static ContentFilter desktopIndependentWindow(const ShareableWindow& window);
    static ContentFilter displayIncludingWindows(const ShareableDisplay& display, std::vector<ShareableWindow> windows);
    static ContentFilter displayExcludingWindows(const ShareableDisplay& display, std::vector<ShareableWindow> windows);
    // The filtered content's rectangle in points (a window's or display's frame size,
    // at origin 0, 0), as the platform reports it.
    core::Rect contentRect() const;
};

struct StreamConfiguration {
    int width = 0;  // pixels of the delivered frames
    int height = 0;
    int queueDepth = 3;
    bool showsCursor = true;
    double minimumFrameInterval = 0;  // seconds; 0 means as fast as the display refreshes
    bool ignoreShadowsSingleWindow = false;
    bool ignoreGlobalClipSingleWindow = false;
    bool capturesShadowsOnly = false;
    std::optional<core::Rect> sourceRect;  // points within a display filter's display
    bool scalesToFit = false;
};

// The status a frame carries, with the platform's raw values.
enum class FrameStatus { complete = 0, idle = 1, blank = 2, suspended = 3, started = 4, stopped = 5 };

struct Frame {
    // None when the status attachment is missing.
    std::optional<FrameStatus> status;
    // None for a sample without an image (idle and blank frames).
    PixelBufferRef image;
    core::Rect contentRect;  // the part of the image the content fills, in pixels
    double contentScale = 1;
    double scaleFactor = 2;
    double presentationTime = 0;
};

// The capture framework's error domain and the codes the application compares.
namespace captureError {
inline constexpr const char* domain = "com.apple.ScreenCaptureKit.SCStreamErrorDomain";
constexpr long userDeclined = -3801;
constexpr long failedToStart = -3802;
constexpr long missingEntitlements = -3803;
constexpr long failedApplicationConnectionInvalid = -3804;
constexpr long failedApplicationConnectionInterrupted = -3805;
constexpr long failedNoMatchingApplicationContext = -3806;
constexpr long attemptToStartStreamState = -3807;
constexpr long attemptToStopStreamState = -3808;
constexpr long attemptToUpdateFilterState = -3809;
constexpr long attemptToConfigQueueDepth = -3810;
constexpr long invalidParameter = -3811;
constexpr long noCaptureSource = -3815;
constexpr long systemStoppedStream = -3821;
}  // namespace captureError

// What a capture error tells its caller to do: ask the user again, start the stream again,
// or stop.
enum class CaptureErrorKind { userDeclined, temporary, permanent };
CaptureErrorKind captureErrorKind(const Error& error);

using CaptureCompletion = std::function<void(std::optional<Error>)>;

// One live capture. Completions run on the global queue; frames on the output queue.
class CaptureStream {
public:
    virtual ~CaptureStream() = default;

    // Installs the frame handler; an error when an output is already installed or the
    // stream has ended.
    virtual std::optional<Error> addOutput(dispatch::Queue queue, std::function<void(const Frame&)> onFrame) = 0;
    virtual void removeOutput() = 0;
    virtual void startCapture(CaptureCompletion completion) = 0;
    virtual void stopCapture(CaptureCompletion completion) = 0;
    virtual void updateContentFilter(const ContentFilter& filter, CaptureCompletion completion) = 0;
    virtual void updateConfiguration(const StreamConfiguration& configuration, CaptureCompletion completion) = 0;
    // A hint from the host: the largest size in pixels, width by height, that any view
    // shows the whole picture at. A desktop that can read the content smaller than its own
    // size, keeping its shape, may fit its frames into it from the next frame on; the
    // configured size and the frames' content stay the same. Any thread.
    virtual void setShownSize(int /*width*/, int /*height*/) {}
};

class Capture {
public:
    virtual ~Capture() = default;

    // Completion on the global queue with the content, or an error (for example when
    // screen recording is not allowed).
    virtual void shareableContent(bool excludingDesktopWindows, bool onScreenWindowsOnly,
                                  std::function<void(std::optional<ShareableContent>, std::optional<Error>)> completion) = 0;
    // The content of shareableContent(false, true, ...) for the on-screen window list the
    // caller just read: a desktop whose content comes from its window list takes that one
    // instead of reading it again; another queries as shareableContent does.
    virtual void shareableContentOf(const std::vector<WindowInfo>& /*onScreenWindows*/,
                                    std::function<void(std::optional<ShareableContent>, std::optional<Error>)> completion)
    {
        shareableContent(false, true, std::move(completion));
    }

    // A new, stopped stream; onStopped runs on the global queue when the system ends it.
    virtual std::shared_ptr<CaptureStream> makeStream(const ContentFilter& filter,
                                                      const StreamConfiguration& configuration,
                                                      std::function<void(const Error&)> onStopped) = 0;

    // One still image of the filtered content at the configured size.
    virtual void screenshot(const ContentFilter& filter, const StreamConfiguration& configuration,
                            std::function<void(PixelBufferRef, std::optional<Error>)> completion) = 0;

    // Whether a window that others cover completely still draws, so its frames keep
    // changing: where it does, covering explains no frozen mirror.
    virtual bool coveredWindowsKeepDrawing() = 0;

    // Whether each frame of a window stream is the window as it is at that moment, at its
    // own size (the configured size only bounds it): where it is, a picture that stays the
    // same means the window drew nothing, and a resized window's frames need no crop.
    virtual bool framesShowTheLiveWindow() = 0;
};

}  // namespace desktop

#include "platform/x11/X11Capture.h"

#include "platform/core/AppIdentity.h"
#include "platform/desktop/CaptureErrors.h"
#include "platform/x11/X11ApplicationIdentity.h"
#include "platform/x11/X11Frames.h"
#include "platform/x11/X11StillPixmap.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <optional>

namespace x11 {
namespace {

desktop::ShareableContent contentOf(const CaptureServices& services, bool excludingDesktopWindows,
                                    const std::vector<desktop::WindowInfo>& windows)
{
    desktop::ShareableContent content;
    const desktop::Pid ownPid = getpid();
    const auto& identity = core::AppIdentity::current();
    const auto addApplication = [&](const desktop::ShareableApplication& app) {
        if (std::none_of(content.applications.begin(), content.applications.end(),
                         [&](const auto& known) { return known.processID == app.processID; }))
            content.applications.push_back(app);
    };
    for (const auto& info : windows) {
        const long layer = info.layer.value_or(desktop::level::normal);
        // Desktop elements stand below every normal window.
        if (excludingDesktopWindows && layer < desktop::level::normal) continue;
        desktop::ShareableWindow window;
        window.windowID = info.number;
        window.life = services.windowServer->windowLife(info.number);
        window.frame = info.bounds.value_or(core::Rect());
        window.title = info.name;
        window.windowLayer = layer;
        window.isOnScreen = info.isOnscreen.value_or(true);
        if (info.ownerPid) {
            desktop::ShareableApplication app{applicationIdentifier(*info.ownerPid, info.ownerName),
                                              info.ownerName.value_or(""), *info.ownerPid};
            if (*info.ownerPid == ownPid) app = {identity.bundleIdentifier, identity.name, ownPid};
            window.owningApplication = app;
            addApplication(app);
        }
        content.windows.push_back(std::move(window));
    }
    for (const auto& display : services.displays->activeDisplays()) {
        content.displays.push_back({display.id, display.frame, static_cast<int>(std::lround(display.frame.width())),
                                    static_cast<int>(std::lround(display.frame.height()))});
    }
    addApplication({identity.bundleIdentifier, identity.name, ownPid});
    return content;
}

}  // namespace

X11Capture::X11Capture(std::shared_ptr<Connection> connection, std::shared_ptr<desktop::WindowServer> windowServer,
                       std::shared_ptr<desktop::Displays> displays)
    : services_{std::move(connection), std::move(windowServer), std::move(displays)}
{
}

void X11Capture::shareableContent(
    bool excludingDesktopWindows, bool onScreenWindowsOnly,
    std::function<void(std::optional<desktop::ShareableContent>, std::optional<desktop::Error>)> completion)
{
    dispatch::global().async([services = services_, excludingDesktopWindows, onScreenWindowsOnly, completion] {
        const auto option =
            onScreenWindowsOnly ? desktop::WindowListOption::onScreenOnly : desktop::WindowListOption::all;
        const auto windows = services.windowServer->windowList(option).value_or(std::vector<desktop::WindowInfo>{});
        completion(contentOf(services, excludingDesktopWindows, windows), std::nullopt);
    });
}

void X11Capture::shareableContentOf(
    const std::vector<desktop::WindowInfo>& onScreenWindows,
    std::function<void(std::optional<desktop::ShareableContent>, std::optional<desktop::Error>)> completion)
{
    dispatch::global().async([services = services_, onScreenWindows, completion] {
        completion(contentOf(services, false, onScreenWindows), std::nullopt);
    });
}

std::shared_ptr<desktop::CaptureStream> X11Capture::makeStream(const desktop::ContentFilter& filter,
                                                               const desktop::StreamConfiguration& configuration,
                                                               std::function<void(const desktop::Error&)> onStopped)
{
    auto stream = std::make_shared<X11CaptureStream>(services_, filter, configuration, std::move(onStopped));
    std::lock_guard lock(mutex_);
    std::erase_if(streams_, [](const auto& weak) { return weak.expired(); });
    streams_.push_back(stream);
    return stream;
}

void X11Capture::screenshot(const desktop::ContentFilter& filter, const desktop::StreamConfiguration& configuration,
                            std::function<void(desktop::PixelBufferRef, std::optional<desktop::Error>)> completion)
{
    dispatch::global().async([services = services_, filter, configuration, completion] {
        std::optional<SourcePicture> picture;
        {
            // A window's picture is read while this holds it redirected.
            std::optional<StillPixmap> still;
            if (filter.kind == desktop::ContentFilter::Kind::window)
                if (const auto frame = frameWindow(*services.connection, filter.window.windowID))
                    still.emplace(*services.connection, frame);
            if (!still || still->awaitOwnPicture()) picture = makeFrameSource(services, filter)->next(configuration);
        }
        if (!picture)
            completion(nullptr, desktop::captureError::error(desktop::captureError::noCaptureSource));
        else
            completion(picture->image, std::nullopt);
    });
}

int X11Capture::capturingStreams()
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(streams_.begin(), streams_.end(), [](const auto& weak) {
        const auto stream = weak.lock();
        return stream && stream->isCapturing();
    }));
}

}  // namespace x11

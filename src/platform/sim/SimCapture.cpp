#include "platform/sim/SimCapture.h"

#include "platform/core/AppIdentity.h"
#include "platform/desktop/CaptureErrors.h"
#include "platform/sim/CaptureRenderer.h"

#include <algorithm>
#include <cmath>

namespace sim {
namespace {

desktop::ShareableApplication shareable(const desktop::RunningApp& app)
{
    return {app.bundleIdentifier, app.name, app.pid};
}

desktop::ShareableApplication ownApplication(SimWorld& world)
{
    if (const auto app = world.app(world.ownPid())) return shareable(app->info);
    const auto& identity = core::AppIdentity::current();
    return {identity.bundleIdentifier, identity.name, world.ownPid()};
}

desktop::ShareableContent contentOf(SimWorld& world, bool excludingDesktopWindows, bool onScreenWindowsOnly)
{
    desktop::ShareableContent content;
    const auto own = ownApplication(world);
    world.visitStack([&](const SimWindow& window, const SimApp* owner, bool onScreen) {
        if (onScreenWindowsOnly && !onScreen) return true;
        if (excludingDesktopWindows && window.layer <= desktopIconLayer) return true;
        desktop::ShareableWindow entry;
        entry.windowID = window.id;
        entry.frame = window.frame;
        if (!window.title.empty()) entry.title = window.title;
        entry.windowLayer = window.layer;
        entry.isOnScreen = onScreen;
        if (owner)
            entry.owningApplication = shareable(owner->info);
        else if (window.own)
            entry.owningApplication = own;
        content.windows.push_back(std::move(entry));
        return true;
    });
    for (const auto& display : world.displays()) {
        content.displays.push_back({display.id, display.frame, static_cast<int>(std::lround(display.frame.width())),
                                    static_cast<int>(std::lround(display.frame.height()))});
    }
    for (const auto& app : world.apps())
        if (!app.info.terminated) content.applications.push_back(shareable(app.info));
    if (std::none_of(content.applications.begin(), content.applications.end(),
                     [&](const auto& app) { return app.processID == own.processID; }))
        content.applications.push_back(own);
    return content;
}

}  // namespace

SimCapture::SimCapture(std::shared_ptr<SimWorld> world)
    : world_(std::move(world)), faults_(std::make_shared<CaptureFaults>())
{
}

void SimCapture::shareableContent(
    bool excludingDesktopWindows, bool onScreenWindowsOnly,
    std::function<void(std::optional<desktop::ShareableContent>, std::optional<desktop::Error>)> completion)
{
    dispatch::global().async([world = world_, excludingDesktopWindows, onScreenWindowsOnly, completion] {
        if (!world->screenRecordingAllowed()) {
            completion(std::nullopt, desktop::captureError::error(desktop::captureError::userDeclined));
            return;
        }
        completion(contentOf(*world, excludingDesktopWindows, onScreenWindowsOnly), std::nullopt);
    });
}

std::shared_ptr<desktop::CaptureStream> SimCapture::makeStream(const desktop::ContentFilter& filter,
                                                               const desktop::StreamConfiguration& configuration,
                                                               std::function<void(const desktop::Error&)> onStopped)
{
    auto stream = std::make_shared<SimCaptureStream>(world_, faults_, filter, configuration, std::move(onStopped));
    std::lock_guard lock(mutex_);
    std::erase_if(streams_, [](const auto& weak) { return weak.expired(); });
    streams_.push_back(stream);
    return stream;
}

void SimCapture::screenshot(const desktop::ContentFilter& filter, const desktop::StreamConfiguration& configuration,
                            std::function<void(desktop::PixelBufferRef, std::optional<desktop::Error>)> completion)
{
    dispatch::global().async([world = world_, filter, configuration, completion] {
        if (!world->screenRecordingAllowed()) {
            completion(nullptr, desktop::captureError::error(desktop::captureError::userDeclined));
            return;
        }
        const auto picture = renderCapture(*world, filter, configuration, capturedSize(*world, filter, configuration));
        if (!picture)
            completion(nullptr, desktop::captureError::error(desktop::captureError::noCaptureSource));
        else
            completion(picture->image, std::nullopt);
    });
}

void SimCapture::injectFault(desktop::WindowID window, CaptureFault fault, long code, int count)
{
    faults_->inject(window, fault, code, count);
}

std::vector<SimCapture::StreamReport> SimCapture::streams()
{
    std::vector<std::shared_ptr<SimCaptureStream>> alive;
    {
        std::lock_guard lock(mutex_);
        for (const auto& weak : streams_)
            if (auto stream = weak.lock()) alive.push_back(std::move(stream));
    }
    std::vector<StreamReport> reports;
    for (const auto& stream : alive) {
        const auto filter = stream->filter();
        StreamReport report;
        report.window = stream->faultWindow();
        if (filter.kind != desktop::ContentFilter::Kind::window) report.display = filter.display.displayID;
        report.capturing = stream->isCapturing();
        report.framesDelivered = stream->framesDelivered();
        reports.push_back(report);
    }
    return reports;
}

}  // namespace sim

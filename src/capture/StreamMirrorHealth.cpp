// What the frame intake, the stale watchdog and the occlusion gate ask of the mirror
// and order it to do, all on the capture queue.
#include "capture/OcclusionProbe.h"
#include "capture/StreamMirror.h"
#include "foundation/WindowQuery.h"
#include "platform/desktop/Desktop.h"

void StreamMirror::captureDied()
{
    if (onCaptureDead) onCaptureDead();
}

void StreamMirror::captureRecovered()
{
    if (onCaptureRecovered) onCaptureRecovered();
}

void StreamMirror::frameWidthChanged() { setContentRegion(core::Rect(0, 0, 1, 1)); }

void StreamMirror::contentChanged()
{
    withdrawFrozenNotice();
    stale_.contentChanged();
}

void StreamMirror::contentStale()
{
    // Where a window stream's frames show the live window, a still picture is a window
    // that draws nothing: no stream froze, and a rebuild would only cost. A display
    // filter's picture also holds the windows over the source, which may stand still.
    if (streamKind_ == desktop::ContentFilter::Kind::window && desktop::capture().framesShowTheLiveWindow()) return;
    stale_.attempt(dispatch::now(), intake_.lastContentChangeAt(), sourceSize_, *this);
}

bool StreamMirror::mirrorPaused() { return pausedWanted_; }

std::optional<core::Rect> StreamMirror::sourceBounds()
{
    const auto info = WindowQuery::onScreenInfo(target_.windowID);
    return info ? OcclusionProbe::boundsRect(*info) : std::nullopt;
}

std::optional<std::string> StreamMirror::occluderDescription()
{
    // Where covered windows keep drawing, a cover never explains a still picture.
    if (desktop::capture().coveredWindowsKeepDrawing()) return std::nullopt;
    const auto occluder = OcclusionProbe::occluderInfo(target_.windowID);
    if (!occluder) return std::nullopt;
    return OcclusionProbe::describe(*occluder);
}

void StreamMirror::withdrawFrozenNotice()
{
    if (frozen_.withdraw() && onSourceFrozen) onSourceFrozen(false);
}

void StreamMirror::showFrozenNotice()
{
    if (frozen_.show() && onSourceFrozen) onSourceFrozen(true);
}

std::optional<std::string> StreamMirror::windowEvidence()
{
    return capture::imageEvidence(
        desktop::windowServer().windowImage(target_.windowID, desktop::ImageResolution::nominal));
}

void StreamMirror::rebuild(const std::string& reason) { restartStream(reason); }

bool StreamMirror::isBorrowedByPinnedPreview()
{
    auto& parking = WindowParking::shared();
    const desktop::WindowID windowID = target_.windowID;
    return parking.queue().syncResult([&] { return parking.isBorrowedByPinnedPreview(windowID); });
}

void StreamMirror::prewarmDisplay() { WindowParking::shared().prewarmDisplay(target_.windowID); }

bool StreamMirror::canRequestPark() { return static_cast<bool>(onFrozenByOcclusion); }

StreamMirror::RescueOutcome StreamMirror::requestPark() { return onFrozenByOcclusion(target_.windowID); }

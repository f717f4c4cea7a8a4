// Leaving a pinned preview: the front application and the pre-pin covers come back, and
// the source window goes back to its saved frame once another application is in front.
#include "panels/pin/PinSession.h"

#include "capture/MirrorView.h"
#include "foundation/Diag.h"
#include "foundation/EventBridge.h"
#include "panels/pin/FixedPreviewTopStrip.h"
#include "panels/pin/FrontHandoff.h"
#include "panels/pin/HoverPreview.h"
#include "panels/views/PanelContentView.h"
#include "panels/PipPanel.h"
#include "panels/views/PreviewContentView.h"
#include "panels/views/PreviewPanel.h"
#include "panels/pin/TakeoverRestoreJob.h"
#include "platform/desktop/Desktop.h"

namespace pin {

void PinSession::exitPinnedPreview(std::optional<desktop::Pid> frontPid, std::optional<desktop::WindowID> frontWindowID,
                                   bool restoreFrontOrder)
{
    if (!pinned) return;
    pinned = false;
    if (pinnedSession() == this) clearPinnedSession();

    views::PanelContentView& content = view();
    if (!content.pointerInsidePanel()) content.showChrome(false);
    content.setFixedPreview(false);
    FixedPreviewTopStrip::uninstall(topStripInstallation_);
    topStripInstallation_ = 0;
    removePinMonitors();
    HoverPreview& hover = preview();
    if (hover.previewPanel) {
        hover.previewPanel->setIgnoresMouseEvents(true);
        hover.previewPanel->content->setMouseTracking(false);
        hover.previewPanel->content->onMouseDown = nullptr;
    }
    if (!takeoverActive) {
        hover.hidePreview();
        return;
    }
    takeoverActive = false;
    takeoverCrossSpace = false;

    const ActivationPlan plan =
        activationPlan({frontPid, frontWindowID, restoreFrontOrder},
                       {takeoverPID, prePinRaiseList, prePinFrontAppPid, desktop::workspace().ownPid()});
    prePinActivatePids = plan.pids;
    // The source application's own window is raised after the restore has been logged.
    if (!plan.raise)
        for (const auto& line : plan.logLines) Diag::log(line);

    if (!prePinActivatePids.empty()) {
        prePinFrontPid = prePinActivatePids.back();
        activateSilhouetteChain(activationSpacing);
        if (takeoverSavedFrame) {
            if (prePinFrontPid != 0)
                restoreFrameAfterFrontHandoff(prePinFrontPid, 0);
            else
                restoreTakeoverFrame();
        }
    } else {
        prePinFrontPid = 0;
        if (takeoverSavedFrame) restoreTakeoverFrame();
    }

    if (plan.raise) {
        for (const auto& line : plan.logLines) Diag::log(line);
        const WindowRaise raise = *plan.raise;
        exitTailWork.push_back(dispatch::main().asyncAfter(
            windowRaiseDelay, [raise] { EventBridge::raiseWindow(raise.pid, raise.windowID); }));
    }
    panel_.mirror->updateCapture(0, panel_.mirror->sourceSize());
}

void PinSession::activateSilhouetteChain(double spacing)
{
    // The activation also runs once this session is gone, so the session only answers
    // whether it still exists and is pinned.
    const auto readPin = lifetime_.guard([](PinSession& self, bool& exists, bool& pinnedNow) {
        exists = true;
        pinnedNow = self.pinned;
    });
    for (std::size_t i = 0; i < prePinActivatePids.size(); ++i) {
        const desktop::Pid pid = prePinActivatePids[i];
        exitTailWork.push_back(dispatch::main().asyncAfter(static_cast<double>(i) * spacing, [readPin, pid] {
            const auto app = desktop::workspace().application(pid);
            bool exists = false, pinnedNow = false;
            readPin(exists, pinnedNow);
            if (!activationRuns(app && !app->terminated, exists, pinnedNow)) return;
            EventBridge::activate(*app);
        }));
    }
}

void PinSession::restoreFrameAfterFrontHandoff(desktop::Pid target, double waited)
{
    exitTailWork.push_back(
        dispatch::main().asyncAfter(handoffPollInterval, lifetime_.guard([target, waited](PinSession& self) {
            if (self.pinned) return;
            const auto front = desktop::workspace().frontmostApplication();
            const HandoffStep step = frontHandoffStep(target, front ? front->pid : 0, waited);
            if (step.pollAgain) return self.restoreFrameAfterFrontHandoff(target, step.waited);
            Diag::log(step.logLine);
            self.restoreTakeoverFrame();
        })));
}

void PinSession::restoreTakeoverFrame()
{
    if (!takeoverSavedFrame) return;
    const TakeoverRestoreJob::Source source{takeoverWindowID_, takeoverPID, *takeoverSavedFrame};
    takeoverSavedFrame.reset();
    restoreJob_ = TakeoverRestoreJob::start(source, lifetime_.guard([](PinSession& self, core::Size size) {
        self.panel_.mirror->updateCapture(0, size);
        if (self.preview().previewPanel) self.preview().previewPanel->content->update();
    }));
}

void PinSession::finishPendingRestore()
{
    if (!takeoverActive) restoreTakeoverFrame();
}

}  // namespace pin

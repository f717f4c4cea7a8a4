// Leaving a pinned preview: the front application and the pre-pin covers come back, and
// the source window goes back to its saved frame once another application is in front.
#include "panels/PanelContentView.h"

#include "capture/MirrorView.h"
#include "foundation/Diag.h"
#include "foundation/EventBridge.h"
#include "panels/FixedPreviewTopStrip.h"
#include "panels/FrontHandoff.h"
#include "panels/PipPanel.h"
#include "panels/PreviewContentView.h"
#include "panels/PreviewPanel.h"
#include "panels/TakeoverRestoreJob.h"
#include "panels/TopBarView.h"
#include "platform/desktop/Desktop.h"

void PanelContentView::exitPinnedPreview(std::optional<desktop::Pid> frontPid,
                                         std::optional<desktop::WindowID> frontWindowID, bool restoreFrontOrder)
{
    if (!pinned) return;
    pinned = false;
    if (pinnedView() == this) clearPinnedView();

    if (!pointerInsidePanel()) showChrome(false);
    if (panel) {
        topBar->fixedPreview = false;
        topBar->refreshTitle();
    }
    FixedPreviewTopStrip::uninstall(topStripInstallation_);
    topStripInstallation_ = 0;
    removePinMonitors();
    if (previewPanel) {
        previewPanel->setIgnoresMouseEvents(true);
        previewPanel->content->setMouseTracking(false);
        previewPanel->content->onMouseDown = nullptr;
    }
    if (!takeoverActive) {
        hidePreview();
        return;
    }
    takeoverActive = false;
    takeoverCrossSpace = false;

    const pin::ActivationPlan plan =
        pin::activationPlan({frontPid, frontWindowID, restoreFrontOrder},
                            {takeoverPID, prePinRaiseList, prePinFrontAppPid, desktop::workspace().ownPid()});
    prePinActivatePids = plan.pids;
    // The source application's own window is raised after the restore has been logged.
    if (!plan.raise)
        for (const auto& line : plan.logLines) Diag::log(line);

    if (!prePinActivatePids.empty()) {
        prePinFrontPid = prePinActivatePids.back();
        activateSilhouetteChain(pin::activationSpacing);
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
        const pin::WindowRaise raise = *plan.raise;
        exitTailWork.push_back(dispatch::main().asyncAfter(
            pin::windowRaiseDelay, [raise] { EventBridge::raiseWindow(raise.pid, raise.windowID); }));
    }
    if (panel) panel->mirror->updateCapture(0, panel->mirror->sourceSize());
}

void PanelContentView::activateSilhouetteChain(double spacing)
{
    for (std::size_t i = 0; i < prePinActivatePids.size(); ++i) {
        const desktop::Pid pid = prePinActivatePids[i];
        exitTailWork.push_back(dispatch::main().asyncAfter(
            static_cast<double>(i) * spacing, [self = QPointer<PanelContentView>(this), pid] {
                const auto app = desktop::workspace().application(pid);
                if (!pin::activationRuns(app && !app->terminated, self != nullptr, self && self->pinned)) return;
                EventBridge::activate(*app);
            }));
    }
}

void PanelContentView::restoreFrameAfterFrontHandoff(desktop::Pid target, double waited)
{
    exitTailWork.push_back(dispatch::main().asyncAfter(
        pin::handoffPollInterval, [self = QPointer<PanelContentView>(this), target, waited] {
            if (!self || self->pinned) return;
            const auto front = desktop::workspace().frontmostApplication();
            const pin::HandoffStep step = pin::frontHandoffStep(target, front ? front->pid : 0, waited);
            if (step.pollAgain) return self->restoreFrameAfterFrontHandoff(target, step.waited);
            Diag::log(step.logLine);
            self->restoreTakeoverFrame();
        }));
}

void PanelContentView::restoreTakeoverFrame()
{
    if (!takeoverSavedFrame) return;
    const TakeoverRestoreJob::Source source{takeoverWindowID_, takeoverPID, *takeoverSavedFrame};
    takeoverSavedFrame.reset();
    restoreJob_ = TakeoverRestoreJob::start(source, [self = QPointer<PanelContentView>(this)](core::Size size) {
        if (!self) return;
        if (self->panel) self->panel->mirror->updateCapture(0, size);
        if (self->previewPanel) self->previewPanel->content->update();
    });
}

void PanelContentView::finishPendingRestore()
{
    if (!takeoverActive) restoreTakeoverFrame();
}

#include "settings/guide/OnboardingWindow.h"

#include "foundation/AuxWindowActivation.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/desktop/Desktop.h"
#include "settings/guide/GuideModel.h"

namespace {

bool activationRegistered = false;

void registerWithActivationOnce()
{
    if (activationRegistered) return;
    activationRegistered = true;
    AuxWindowActivation::registerProvider([] {
        const OnboardingWindow* guide = OnboardingWindow::instance();
        return guide && guide->isVisible();
    });
}

void bringForward(OnboardingWindow& guide)
{
    guide.makeKeyAndOrderFront();
    // Only now is the guide visible, so only now does it count for the Dock icon.
    AuxWindowActivation::refresh();
}

}  // namespace

QPointer<OnboardingWindow>& OnboardingWindow::currentInstance()
{
    static QPointer<OnboardingWindow> guide;
    return guide;
}

OnboardingWindow* OnboardingWindow::instance() { return currentInstance(); }

OnboardingWindow& OnboardingWindow::existingOrNew()
{
    if (!currentInstance()) currentInstance() = new OnboardingWindow();
    registerWithActivationOnce();
    return *currentInstance();
}

void OnboardingWindow::showIfNeeded()
{
    const bool completed = defaults::setting::onboardingCompleted.value();
    const bool screenRecordingAllowed = desktop::permissions().screenCapturePreflight();
    if (!guide::shouldShowGuide(completed, screenRecordingAllowed)) return;
    bringForward(existingOrNew());
}

void OnboardingWindow::showPermissionPage()
{
    OnboardingWindow& guide = existingOrNew();
    guide.index_ = guide.stepCount() - 1;
    guide.render();
    bringForward(guide);
}

#include "update/AppUpdate.h"

#include "foundation/Diag.h"
#include "platform/dispatch/Queue.h"

namespace {

bool checking = false;

}  // namespace

std::optional<UpdateManifest> AppUpdate::available() { return std::nullopt; }

ChangeNotice& AppUpdate::didChange()
{
    static ChangeNotice notice("GlimraUpdateAvailabilityChanged");
    return notice;
}

bool AppUpdate::isChecking() { return checking; }

void AppUpdate::setChecking(bool isChecking) { checking = isChecking; }

void AppUpdate::addObserver(std::function<void()>) {}

void AppUpdate::checkManually(std::function<void()> stateChanged)
{
    if (checking) return;
    checking = true;
    if (stateChanged) stateChanged();
    check(true, [stateChanged](CheckOutcome outcome) {
        checking = false;
        if (stateChanged) stateChanged();
        presentManualResult(outcome);
    });
}

void AppUpdate::check(bool /*manual*/, std::function<void(CheckOutcome)> done)
{
    dispatch::main().async([done = std::move(done)] { done(CheckOutcome::upToDate); });
}

void AppUpdate::presentManualResult(CheckOutcome /*outcome*/)
{
    Diag::log("update check: up to date (updates not built yet)");
}

void AppUpdate::autoCheckOnLaunch() {}

void AppUpdate::selfTest() { Diag::log("update self-test: updates not built yet, nothing to check"); }

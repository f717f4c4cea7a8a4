#include "update/AppUpdate.h"

void AppUpdate::checkManually(std::function<void()> stateChanged)
{
    if (isChecking()) return;
    setChecking(true);
    if (stateChanged) stateChanged();
    check(true, [stateChanged](const UpdateOutcome& outcome) {
        setChecking(false);
        if (stateChanged) stateChanged();
        presentManualResult(outcome);
    });
}

AppUpdate::ManualAction AppUpdate::manualAction(const UpdateOutcome&, const std::optional<core::OsVersion>&)
{
    return {};
}

void AppUpdate::presentManualResult(const UpdateOutcome&) {}

#include "foundation/EventBridge.h"

#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"

namespace EventBridge {
namespace {

constexpr int maxQuitWaits = 20;
constexpr double quitWaitStep = 0.1;

std::optional<desktop::RunningApp> runningSystemSettings()
{
    const auto apps = desktop::workspace().applications(systemSettingsBundleID);
    if (apps.empty()) return std::nullopt;
    return apps.front();
}

}  // namespace

void closeSystemSettings()
{
    if (const auto app = runningSystemSettings()) desktop::workspace().terminate(app->pid);
}

// System Settings opened on another pane ignores a new address: quit it first so that
// the pane comes up fresh.
void openSettingsPane(const std::string& address)
{
    closeSystemSettings();
    dispatch::global().async([address] {
        for (int waits = 0; waits < maxQuitWaits; ++waits) {
            const auto app = runningSystemSettings();
            if (!app || app->terminated) break;
            dispatch::sleepFor(quitWaitStep);
        }
        dispatch::main().async([address] { desktop::urlOpener().open(address); });
    });
}

}  // namespace EventBridge

#include "foundation/OwningApplication.h"

#include "platform/desktop/Desktop.h"

std::optional<desktop::RunningApp> owningApplication(const std::string& bundleID, std::optional<desktop::Pid> ownerPid)
{
    if (bundleID.empty()) return std::nullopt;
    const auto apps = desktop::workspace().applications(bundleID);
    if (apps.empty()) return std::nullopt;
    if (ownerPid && *ownerPid > 0) {
        for (const auto& app : apps) {
            if (app.pid == *ownerPid) return app;
        }
    }
    return apps.front();
}

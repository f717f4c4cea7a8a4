#include "foundation/EventBridge.h"

#include "foundation/OwningApplication.h"
#include "foundation/WindowQuery.h"
#include "platform/desktop/Desktop.h"

namespace EventBridge {

bool windowExists(desktop::WindowID windowID)
{
    return desktop::windowServer().windowPresence(windowID) != desktop::WindowPresence::destroyed;
}

std::string windowOwnerName(desktop::WindowID windowID)
{
    const auto list = desktop::windowServer().windowList(desktop::WindowListOption::all);
    if (!list) return "?";
    for (const auto& entry : *list) {
        if (entry.number != windowID) continue;
        return entry.ownerName.value_or("?") + "/layer" + (entry.layer ? std::to_string(*entry.layer) : "?");
    }
    return "已销毁?";
}

std::optional<desktop::Pid> windowOwnerPid(core::Point globalPoint)
{
    const desktop::Pid own = desktop::workspace().ownPid();
    const auto list = desktop::windowServer().windowList(desktop::WindowListOption::onScreenOnly);
    if (!list) return std::nullopt;
    for (const auto& entry : *list) {
        if (entry.layer != desktop::level::normal) continue;
        if (!WindowQuery::boundsOf(entry).contains(globalPoint)) continue;
        // An entry without an owner names no application; look through it like our own.
        if (!entry.ownerPid || *entry.ownerPid == 0 || *entry.ownerPid == own) continue;
        return *entry.ownerPid;
    }
    return std::nullopt;
}

std::optional<desktop::Pid> pidOf(const desktop::ShareableWindow& window)
{
    if (!window.owningApplication) return std::nullopt;
    const auto& app = *window.owningApplication;
    if (app.processID > 0) return app.processID;
    const auto running = owningApplication(app.bundleIdentifier, std::nullopt);
    if (!running) return std::nullopt;
    return running->pid;
}

}  // namespace EventBridge

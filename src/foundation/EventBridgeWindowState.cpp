#include "foundation/EventBridge.h"

#include "foundation/OwningApplication.h"
#include "foundation/WindowQuery.h"
#include "platform/desktop/Desktop.h"

namespace EventBridge {

SourceWindowState sourceWindowState(desktop::WindowID windowID, desktop::WindowLife life,
                                    const std::optional<std::string>& bundleID, bool framesActive)
{
    if (desktop::windowServer().windowLife(windowID) != life) return SourceWindowState::destroyed;
    if (WindowQuery::onScreenInfo(windowID)) return SourceWindowState::visible;
    switch (desktop::windowServer().windowPresence(windowID)) {
    case desktop::WindowPresence::destroyed: return SourceWindowState::destroyed;
    // Alive, and shown nowhere now: a window hidden to a tray, on another workspace, or
    // unmapped by its window manager (the desktop shown).
    case desktop::WindowPresence::unlisted:
    case desktop::WindowPresence::otherWorkspace:
    case desktop::WindowPresence::listedAlive: return SourceWindowState::hidden;
    case desktop::WindowPresence::listed: break;
    }
    const auto entry = WindowQuery::listedInfo(windowID);
    if (!entry) return SourceWindowState::destroyed;

    // Frames still arriving mean the window lives even where nothing else can tell.
    const auto fallback = framesActive ? SourceWindowState::hidden : SourceWindowState::destroyed;
    const auto app = owningApplication(bundleID.value_or(""), entry->ownerPid);
    if (!app) return fallback;
    if (app->hidden) return SourceWindowState::hidden;
    if (!desktop::accessibility().isTrusted()) return SourceWindowState::hidden;
    const auto list = axWindows(app->pid, false);
    if (!list) return SourceWindowState::hidden;
    const auto element = list->element(windowID);
    if (!element) return fallback;
    return axWindowMinimized(*element) || framesActive ? SourceWindowState::hidden : SourceWindowState::destroyed;
}

}  // namespace EventBridge

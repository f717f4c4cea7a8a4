#include "platform/desktop/WindowServer.h"

namespace desktop {

WindowPresence WindowServer::windowPresence(WindowID window)
{
    const auto list = windowList(WindowListOption::all);
    if (!list) return WindowPresence::destroyed;
    for (const auto& entry : *list)
        if (entry.number == window) return WindowPresence::listed;
    return WindowPresence::destroyed;
}

WindowPresence WindowServer::windowPresence(WindowID window, WindowLife life)
{
    return windowLife(window) == life ? windowPresence(window) : WindowPresence::destroyed;
}

}  // namespace desktop

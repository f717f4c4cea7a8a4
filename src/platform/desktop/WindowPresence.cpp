#include "platform/desktop/WindowPresence.h"

#include "platform/desktop/Desktop.h"

namespace desktop {

WindowPresence windowPresence(WindowID window)
{
    auto& server = windowServer();
    if (auto* query = dynamic_cast<WindowPresenceQuery*>(&server)) return query->windowPresence(window);
    const auto list = server.windowList(WindowListOption::all);
    if (!list) return WindowPresence::destroyed;
    for (const auto& entry : *list)
        if (entry.number == window) return WindowPresence::listed;
    return WindowPresence::destroyed;
}

}  // namespace desktop

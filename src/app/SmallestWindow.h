#pragma once

#include "platform/desktop/Capture.h"
#include "platform/desktop/WindowServer.h"

#include <optional>
#include <string>
#include <vector>

namespace app {

// The window the SIGUSR2 debug hook mirrors.
struct SmallestWindowChoice {
    desktop::WindowID number = 0;
    desktop::Pid ownerPid = 0;
    std::string owner;  // empty when the list names none
};

// Among on-screen windows (front to back): layer 0, an owning process other than this
// one (an entry without one never counts), not owned by "Glimra", "Window Server" or
// "Dock", as large as the catalog asks (120 by 80); the one of least area, the front-most
// on a tie.
std::optional<SmallestWindowChoice> chooseSmallestWindow(const std::vector<desktop::WindowInfo>& onScreen,
                                                         desktop::Pid ownPid);

// Whether the shareable window belongs to that process. A window without an owning
// application belongs to none: matching goes by process, never by bundle identifier,
// which may be missing or shared.
bool isOwnedBy(const desktop::ShareableWindow& window, desktop::Pid pid);

// The listed window with that number owned by that process; none otherwise.
std::optional<desktop::ShareableWindow> ownedWindow(const std::vector<desktop::ShareableWindow>& windows,
                                                    desktop::WindowID number, desktop::Pid pid);

}  // namespace app

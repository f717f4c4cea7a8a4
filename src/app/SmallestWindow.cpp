#include "app/SmallestWindow.h"

#include "capture/Catalog.h"

#include <array>
#include <string_view>

namespace app {

namespace {

// The system's own surfaces and this application, by the names the list gives them.
constexpr std::array<std::string_view, 3> skippedOwners{"Glimra", "Window Server", "Dock"};

bool isSkippedOwner(const std::string& name)
{
    for (const std::string_view skipped : skippedOwners)
        if (name == skipped) return true;
    return false;
}

}  // namespace

std::optional<SmallestWindowChoice> chooseSmallestWindow(const std::vector<desktop::WindowInfo>& onScreen,
                                                         desktop::Pid ownPid)
{
    std::optional<SmallestWindowChoice> choice;
    double smallestArea = 0;
    for (const desktop::WindowInfo& info : onScreen) {
        if (info.layer != 0L) continue;
        // Matched later by process: a window of no known process can never be found again.
        if (!info.ownerPid || *info.ownerPid == ownPid) continue;
        const std::string owner = info.ownerName.value_or("");
        if (isSkippedOwner(owner)) continue;
        // Only a window the catalog offers can become a mini window.
        if (!info.bounds || !Catalog::isLargeEnough(*info.bounds)) continue;
        const double area = info.bounds->width() * info.bounds->height();
        if (choice && !(area < smallestArea)) continue;
        choice = SmallestWindowChoice{info.number, *info.ownerPid, owner};
        smallestArea = area;
    }
    return choice;
}

bool isOwnedBy(const desktop::ShareableWindow& window, desktop::Pid pid)
{
    return window.owningApplication && window.owningApplication->processID == pid;
}

std::optional<desktop::ShareableWindow> ownedWindow(const std::vector<desktop::ShareableWindow>& windows,
                                                    desktop::WindowID number, desktop::Pid pid)
{
    for (const desktop::ShareableWindow& window : windows)
        if (window.windowID == number && isOwnedBy(window, pid)) return window;
    return std::nullopt;
}

}  // namespace app

#include "app/PanelCommands.h"

#include "app/AppDelegate.h"
#include "capture/Catalog.h"
#include "foundation/Diag.h"
#include "foundation/EventBridge.h"
#include "foundation/WindowQuery.h"
#include "panels/PipPanel.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"

#include <algorithm>
#include <functional>
#include <string>

namespace app {
namespace {

std::string failureText(Catalog::Failure failure)
{
    return failure == Catalog::Failure::notPermitted ? "notPermitted" : "failed";
}

// Hands the catalog's entry of the window to found on the main queue; a window the
// catalog does not offer is one log line led by the command's name.
void withCatalogWindow(desktop::WindowID windowID, const std::string& command,
                       std::function<void(const desktop::ShareableWindow&)> found)
{
    Catalog::list([windowID, command, found = std::move(found)](Catalog::Listing listing) {
        dispatch::main().async([windowID, command, found, listing = std::move(listing)] {
            const auto window = std::find_if(listing.windows.begin(), listing.windows.end(),
                                             [&](const desktop::ShareableWindow& w) { return w.windowID == windowID; });
            if (window == listing.windows.end()) {
                Diag::log(command + ": window not in the catalog id=" + std::to_string(windowID) +
                          (listing.failure ? " err=" + failureText(*listing.failure) : ""));
                return;
            }
            found(*window);
        });
    });
}

// The window as the catalog would offer it, from its entry of the full window list.
std::optional<desktop::ShareableWindow> listedWindow(desktop::WindowID windowID)
{
    const auto info = WindowQuery::listedInfo(windowID);
    if (!info || !info->ownerPid) return std::nullopt;
    desktop::ShareableApplication owner;
    owner.processID = *info->ownerPid;
    owner.applicationName = info->ownerName.value_or("");
    if (const auto running = desktop::workspace().application(owner.processID))
        owner.bundleIdentifier = running->bundleIdentifier;
    desktop::ShareableWindow window;
    window.windowID = windowID;
    window.frame = WindowQuery::boundsOf(*info);
    window.title = info->name;
    window.windowLayer = info->layer.value_or(0);
    window.owningApplication = owner;
    window.isOnScreen = info->isOnscreen.value_or(false);
    return window;
}

}  // namespace

void mirrorWindow(desktop::WindowID windowID, const panels::FocusRegion& focus)
{
    withCatalogWindow(windowID, "mirrorWindow", [focus](const desktop::ShareableWindow& window) {
        if (AppDelegate::frontExistingPanel(window, !focus.isWholeWindow())) return;
        auto* panel = new PipPanel(window, focus);
        panel->orderFront();
    });
}

void beginFocusCreateOn(std::optional<desktop::WindowID> restrictTo)
{
    auto* delegate = AppDelegate::shared();
    if (!delegate) return;
    // Without the permission the catalog offers nothing; the delegate tells the user why.
    if (!restrictTo || !desktop::permissions().screenCapturePreflight()) {
        delegate->beginFocusCreate(std::nullopt);
        return;
    }
    withCatalogWindow(*restrictTo, "beginFocusCreate", [](const desktop::ShareableWindow& window) {
        if (auto* delegate = AppDelegate::shared()) delegate->beginFocusCreate(window);
    });
}

void closePanels(desktop::WindowID windowID)
{
    // Closing changes the registry, so the panels are picked first.
    std::vector<QPointer<PipPanel>> matching;
    for (PipPanel* panel : PipPanel::all())
        if (panel->target.windowID == windowID) matching.emplace_back(panel);
    if (matching.empty()) {
        Diag::log("closePanel: no mini window of id=" + std::to_string(windowID));
        return;
    }
    for (const auto& panel : matching)
        if (panel) panel->closePanel(true);
}

void focusWindow(desktop::WindowID windowID)
{
    const auto window = listedWindow(windowID);
    if (!window) {
        Diag::log("focus: window not in the window list id=" + std::to_string(windowID));
        return;
    }
    EventBridge::focus(*window);
}

}  // namespace app

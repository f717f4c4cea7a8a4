#include "app/PanelCommands.h"

#include "capture/Catalog.h"
#include "foundation/Diag.h"
#include "panels/PanelContentView.h"
#include "panels/PipPanel.h"
#include "panels/TopBarView.h"
#include "platform/dispatch/Queue.h"

#include <algorithm>
#include <string>

namespace app {
namespace {

std::string failureText(Catalog::Failure failure)
{
    return failure == Catalog::Failure::notPermitted ? "notPermitted" : "failed";
}

}  // namespace

void mirrorWindow(desktop::WindowID windowID, const FocusRegion& focus)
{
    Catalog::list([windowID, focus](Catalog::Listing listing) {
        dispatch::main().async([windowID, focus, listing = std::move(listing)] {
            const auto found = std::find_if(listing.windows.begin(), listing.windows.end(),
                                            [&](const desktop::ShareableWindow& w) { return w.windowID == windowID; });
            if (found == listing.windows.end()) {
                Diag::log("mirrorWindow: window not in the catalog id=" + std::to_string(windowID) +
                          (listing.failure ? " err=" + failureText(*listing.failure) : ""));
                return;
            }
            auto* panel = new PipPanel(*found, focus);
            panel->orderFront();
        });
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

void togglePauseAll()
{
    for (PipPanel* panel : PipPanel::all()) {
        panel->isPaused = !panel->isPaused;
        panel->mirror->setPaused(panel->isPaused);
        panel->content->topBar->paused = panel->isPaused;
        panel->content->topBar->refreshTitle();
    }
}

}  // namespace app

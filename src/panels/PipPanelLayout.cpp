// Tiling the mini windows into the configured corner, and the right-edge arrangement
// after display changes.
#include "foundation/Diag.h"
#include "panels/rules/PanelDefaults.h"
#include "panels/rules/PanelGeometry.h"
#include "panels/rules/PanelLayoutLog.h"
#include "panels/PipPanel.h"

using namespace panels;

namespace {

// Panels of one screen, in creation order.
struct ScreenGroup {
    ui::Screen screen;
    std::vector<PipPanel*> panels;
};

void addToGroup(std::vector<ScreenGroup>& groups, const ui::Screen& screen, PipPanel* panel)
{
    for (ScreenGroup& group : groups) {
        if (group.screen.displayID == screen.displayID) {
            group.panels.push_back(panel);
            return;
        }
    }
    groups.push_back({screen, {panel}});
}

}  // namespace

void PipPanel::tileAll()
{
    if (all().empty()) return;
    rescuePanelsOffVirtualScreen();
    const WindowCorner corner = panels::PanelDefaults::corner();

    std::vector<ScreenGroup> groups;
    for (PipPanel* panel : all())
        if (const auto screen = panel->screenOrFallback()) addToGroup(groups, *screen, panel);

    for (const ScreenGroup& group : groups) {
        std::vector<core::Size> sizes;
        for (PipPanel* panel : group.panels) sizes.push_back(panel->frame().size);
        const auto frames = layoutFrames(sizes, group.screen.visibleFrame, corner);
        // No frames: the visible frame leaves no room inside the margins.
        if (frames.size() != group.panels.size()) continue;
        for (std::size_t i = 0; i < frames.size(); ++i) group.panels[i]->setFrame(clearOfVirtualScreens(frames[i]));
    }
}

void PipPanel::arrangeAllPips(const std::map<PipPanel*, core::Size>& sizes)
{
    rescuePanelsOffVirtualScreen();

    std::vector<PipPanel*> visible;
    std::map<desktop::DisplayID, std::vector<PipPanel*>> byDisplay;
    std::vector<desktop::DisplayID> displayOrder;
    for (PipPanel* panel : all()) {
        if (!panel->isVisible()) continue;
        visible.push_back(panel);
        const desktop::DisplayID id = screenID(panel->layoutScreen()).value_or(0);
        if (!byDisplay.contains(id)) displayOrder.push_back(id);
        byDisplay[id].push_back(panel);
    }

    const std::vector<ui::Screen> screens = ui::screens();
    for (desktop::DisplayID id : displayOrder) {
        const auto screen =
            std::find_if(screens.begin(), screens.end(), [id](const ui::Screen& s) { return s.displayID == id; });
        if (screen == screens.end()) continue;
        const std::vector<PipPanel*>& group = byDisplay[id];
        std::vector<core::Size> groupSizes;
        for (PipPanel* panel : group) {
            const auto given = sizes.find(panel);
            groupSizes.push_back(given != sizes.end() ? given->second : panel->frame().size);
        }
        const auto frames = rightEdgeArrangement(groupSizes, screen->visibleFrame);
        if (frames.size() != group.size()) continue;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            PipPanel* panel = group[i];
            panel->setFrame(clearOfVirtualScreens(frames[i]));
            // A re-sized panel has the default size now: its badge must not claim another.
            if (sizes.contains(panel)) {
                panel->sizeOverride.reset();
                panel->refreshSizeBadge();
            }
        }
    }
    Diag::log(arrangedLine(visible.size()));
}

core::Size PipPanel::sizeForMultiplier(double multiplier) const
{
    const auto home = screenOrFallback();
    if (!home) return frame().size;
    return pipSize(home->visibleFrame, multiplier, sourceAspect(sourceFrame().size));
}

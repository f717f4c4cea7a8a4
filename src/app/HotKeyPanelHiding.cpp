#include "app/HotKeyPanelHiding.h"

#include "foundation/Diag.h"
#include "panels/pin/HoverPreview.h"
#include "panels/pin/PinSession.h"
#include "panels/PipPanel.h"

#include <algorithm>
#include <string>

namespace app {

void HotKeyPanelHiding::hidePanel(PipPanel& panel)
{
    panel.hoverPreview->cancelPendingShow();
    // As closing does: hiding the preview alone would leave a taken-over window moved.
    panel.pinSession->exitPinnedPreview(std::nullopt, std::nullopt, false);
    panel.hoverPreview->hidePreview();
    panel.orderOut();
}

void HotKeyPanelHiding::togglePanelsVisibility()
{
    endHoldHide();
    const std::vector<PipPanel*> panels = PipPanel::all();
    const bool anyVisible = std::any_of(panels.begin(), panels.end(), [](PipPanel* p) { return p->isVisible(); });
    for (PipPanel* panel : panels) {
        if (anyVisible)
            hidePanel(*panel);
        else
            panel->orderFrontRegardless();
    }
}

void HotKeyPanelHiding::beginHoldHide()
{
    if (holdActive_) return;
    holdActive_ = true;

    const std::vector<PipPanel*> panels = PipPanel::all();
    holdRestoreList_.clear();
    for (PipPanel* panel : panels)
        if (panel->isVisible()) holdRestoreList_.emplace_back(panel);
    for (PipPanel* panel : panels) hidePanel(*panel);
    Diag::log("按住热键: 临时收起 " + std::to_string(holdRestoreList_.size()) + "/" + std::to_string(panels.size()) +
              " 个小窗（松开恢复）");
}

void HotKeyPanelHiding::endHoldHide()
{
    if (!holdActive_) return;
    holdActive_ = false;

    const auto taken = std::move(holdRestoreList_);
    holdRestoreList_.clear();
    int shown = 0;
    for (const auto& panel : taken) {
        // Closed while the key was held: gone from the registry, perhaps deleted.
        if (!panel || !PipPanel::isRegistered(panel.data())) continue;
        panel->orderFrontRegardless();
        ++shown;
    }
    Diag::log("按住热键: 松开 ⇒ 恢复 " + std::to_string(shown) + " 个小窗（本来就没显示的不动）");
}

}  // namespace app

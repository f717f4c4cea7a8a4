#include "app/PanelStates.h"

#include "app/RectJson.h"
#include "panels/pin/HoverPreview.h"
#include "panels/views/PanelContentView.h"
#include "panels/pin/PinSession.h"
#include "panels/PipPanel.h"
#include "platform/desktop/Desktop.h"

namespace app {
using Json = nlohmann::ordered_json;

Json panelStates()
{
    const double flipHeight = desktop::firstScreenHeight(desktop::displays());
    Json panels = Json::array();
    for (const PipPanel* panel : PipPanel::all()) {
        const panels::FocusRegion& focus = panel->content->focus();
        panels.push_back({{"source", panel->target.windowID},
                          {"frame", rectJson(core::flipped(panel->frame(), flipHeight))},
                          {"visible", panel->isVisible()},
                          {"alpha", panel->alphaValue()},
                          {"paused", panel->isPaused},
                          {"focus", Json::array({focus.x, focus.y, focus.w, focus.h})},
                          {"framesShown", panel->content->framesShown()},
                          {"pinned", panel->pinSession->pinned},
                          {"previewVisible", panel->hoverPreview->previewVisible},
                          {"takeover", panel->pinSession->takeoverActive},
                          {"frameRate", panel->effectiveFrameRate()},
                          {"opacity", panel->effectiveOpacity()},
                          {"sizeMultiplier", panel->effectiveSizeMultiplier()}});
    }
    return panels;
}

}  // namespace app

#include "app/PanelStates.h"

#include "panels/PanelContentView.h"
#include "panels/PipPanel.h"
#include "platform/desktop/Desktop.h"

namespace app {
namespace {

using Json = nlohmann::ordered_json;

Json rectJson(const core::Rect& r)
{
    return Json::array({r.x(), r.y(), r.width(), r.height()});
}

}  // namespace

void PanelStates::track(PipPanel& panel)
{
    std::erase_if(framesShown_, [](const auto& entry) { return !PipPanel::isRegistered(entry.first); });
    auto count = std::make_shared<std::atomic<long>>(0);
    framesShown_[&panel] = count;
    // Counted on the way to the content view, which shows every frame it is handed.
    panel.mirror->onFrame = [count, show = panel.mirror->onFrame](desktop::PixelBufferRef frame) {
        ++*count;
        if (show) show(std::move(frame));
    };
}

Json PanelStates::list() const
{
    const double flipHeight = desktop::firstScreenHeight(desktop::displays());
    Json panels = Json::array();
    for (const PipPanel* panel : PipPanel::all()) {
        const auto count = framesShown_.find(panel);
        const FocusRegion& focus = panel->content->focus;
        panels.push_back({{"source", panel->target.windowID},
                          {"frame", rectJson(core::flipped(panel->frame(), flipHeight))},
                          {"visible", panel->isVisible()},
                          {"alpha", panel->alphaValue()},
                          {"paused", panel->isPaused},
                          {"focus", Json::array({focus.x, focus.y, focus.w, focus.h})},
                          {"framesShown", count == framesShown_.end() ? 0L : count->second->load()},
                          {"pinned", panel->content->pinned},
                          {"previewVisible", panel->content->previewVisible},
                          {"takeover", panel->content->takeoverActive},
                          {"frameRate", panel->effectiveFrameRate()},
                          {"opacity", panel->effectiveOpacity()},
                          {"sizeMultiplier", panel->effectiveSizeMultiplier()}});
    }
    return panels;
}

}  // namespace app

#include "settings/guide/SceneActors.h"

namespace guide {

ui::Layer& triggerBlock(ui::Layer& parent, const core::Rect&) { return parent.addSublayer(); }
PipWindow pipWindow(ui::Layer& parent, const core::Rect&, std::optional<QColor>, const ContentDrawer&)
{
    return {&parent.addSublayer(), {}};
}
ui::Layer& previewPanel(ui::Layer& parent, const core::Rect&, const ContentDrawer&) { return parent.addSublayer(); }
ui::Layer& cursor(ui::Layer& parent) { return parent.addSublayer(); }
void clickPulses(ui::Layer&, const std::vector<double>&, double, double) {}
ui::Layer& captionPill(ui::Layer& parent, const std::string&, core::Point) { return parent.addSublayer(); }
ui::Layer& circleGesture(ui::Layer& parent, const core::Rect&, double, double, double, double)
{
    return parent.addSublayer();
}
ui::Layer& highlightRing(ui::Layer& parent, const core::Rect&, double, double) { return parent.addSublayer(); }

}  // namespace guide

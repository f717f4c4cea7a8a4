#include "settings/guide/SceneToolkit.h"

namespace guide {

Screen screenGeometry() { return {}; }
Screen makeScreen(ui::Layer&) { return {}; }
ui::Layer& appWindow(ui::Layer& parent, const core::Rect&) { return parent.addSublayer(); }
void content(ui::Layer&, const core::Rect&, int) {}
bool addLoop(ui::Layer&, const std::string&, std::vector<ui::KeyValue>, std::vector<double>, double) { return false; }
bool addLinearLoop(ui::Layer&, const std::string&, std::vector<ui::KeyValue>, std::vector<double>, double)
{
    return false;
}
bool opacityLoop(ui::Layer&, std::vector<double>, std::vector<double>, double, double) { return false; }
bool scaleLoop(ui::Layer&, std::vector<double>, std::vector<double>, double) { return false; }
bool moveLoop(ui::Layer&, const std::vector<core::Point>&, std::vector<double>, double) { return false; }
core::Point center(const core::Rect& r) { return {r.midX(), r.midY()}; }

}  // namespace guide

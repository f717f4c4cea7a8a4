#include "settings/guide/PelicanScene.h"

namespace guide {

void pelicanScene(ui::Layer&, const core::Rect&, double) {}
std::vector<LegFrame> legFrames(double, core::Point, double) { return {}; }

}  // namespace guide

#pragma once

#include "settings/guide/SceneToolkit.h"

#include <array>
#include <vector>

namespace guide {

// A pelican riding a bicycle under a blue sky, every part on its own fixed loop; fills the
// rectangle of the layer. duration is not read.
void pelicanScene(ui::Layer& in, const core::Rect& rect, double duration);

// One leg's thigh, shin and foot for each of the 37 frames of a crank turn, solved by
// two-link inverse kinematics; s is the drawing's scale, phase 0 or pi.
struct LegFrame {
    core::Point hip, knee, foot;
};
std::vector<LegFrame> legFrames(double s, core::Point hipDesign, double phase);

}  // namespace guide

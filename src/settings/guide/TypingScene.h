#pragma once

#include "settings/guide/SceneToolkit.h"

#include <vector>

namespace guide {

// A mock input field into which "A", "B", "C", "D" are typed, letter i at
// start + i x step of the loop, with a caret that blinks from caretStart. Returns the four
// letter times (fractions of the loop).
std::vector<double> inputTypingScene(ui::Layer& in, const core::Rect& rect, double duration, double start, double step,
                                     double caretStart);

}  // namespace guide

#pragma once

#include "platform/core/Geometry.h"
#include "platform/ui/Layer.h"

#include <vector>

namespace guide {

inline constexpr double keyboardWidth = 252;
inline constexpr double keyboardHeight = 67.2;

// Three rows of letter keys on a dark plate. Letter i of "ABCD" flashes
// its key at letterTimes[i]; letters without a time do not flash.
ui::Layer& pinKeyboard(ui::Layer& parent, const core::Rect& frame, const std::vector<double>& letterTimes,
                       double duration);

}  // namespace guide

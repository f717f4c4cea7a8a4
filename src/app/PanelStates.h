#pragma once

#include <nlohmann/json.hpp>

namespace app {

// Every registered mini window in creation order, as a state dump lists it: source, frame
// (global points), visible, alpha, paused, focus, framesShown, pinned, previewVisible,
// takeover and the effective frameRate, opacity and sizeMultiplier. Main thread only.
nlohmann::ordered_json panelStates();

}  // namespace app

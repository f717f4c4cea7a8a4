#pragma once

#include "platform/ui/Layer.h"

#include <nlohmann/json.hpp>

namespace guide {

// The canvas's named layers, searched through the whole tree in drawing order, as a state
// dump lists them t seconds into the scene: name -> {"frame" (model, [x, y, w, h]),
// "position" (of the anchor, [x, y]), "scale", "opacity"}, canvas points, bottom-left
// origin.
nlohmann::ordered_json sceneActorsJson(const ui::Layer& canvas, double t);

}  // namespace guide

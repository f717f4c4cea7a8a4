#pragma once

#include "platform/ui/Layer.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace guide {

// The canvas's named layers, searched through the whole tree, as a state dump lists them t
// seconds into the scene, first those of the order given, then the others in drawing order: name -> {"frame" (model,
// [x, y, w, h]), "position" (of the anchor, [x, y]), "scale", "opacity"}, canvas points, bottom-left origin.
nlohmann::ordered_json sceneActorsJson(const ui::Layer& canvas, double t, const std::vector<std::string>& order = {});

}  // namespace guide

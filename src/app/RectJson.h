#pragma once

#include "platform/core/Geometry.h"

#include <nlohmann/json.hpp>

namespace app {

// A frame as a state dump writes it: [x, y, width, height].
nlohmann::ordered_json rectJson(const core::Rect& r);

}  // namespace app

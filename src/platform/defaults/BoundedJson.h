#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string_view>

namespace defaults {

// Depth counts the containers around the deepest point: 0 for a scalar, 1 for [] or
// {"a": 1}, 2 for [[1]]. Neither function recurses on the value's depth, so hostile
// input nested any deeper is refused rather than overflowing the stack.
bool nestedDeeperThan(const nlohmann::json& value, int maxDepth);

// The parsed text, or none when it is not JSON or nests deeper than maxDepth.
std::optional<nlohmann::json> parseWithinDepth(std::string_view text, int maxDepth);

}  // namespace defaults

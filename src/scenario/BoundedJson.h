#pragma once

#include "scenario/JsonFields.h"

#include <nlohmann/json.hpp>

#include <string>
#include <variant>

namespace scenario {

// Parses JSON text that nests no deeper than maxDepth objects and lists, holds no number
// beyond a double's range and no key twice in one object. The problem, with the key path
// where it was met, otherwise; text that is not JSON at all has an empty path and a
// message that starts "not valid JSON: ".
std::variant<nlohmann::json, ValidationError> parseBoundedJson(const std::string& text, std::size_t maxDepth);

}  // namespace scenario

#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace scenario {

// Standard base64 with its padding; none for anything else.
std::optional<std::string> decodeBase64(std::string_view text);

}  // namespace scenario

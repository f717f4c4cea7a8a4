#pragma once

#include <optional>
#include <string>

namespace core {

// The whole file's bytes; none when it cannot be opened or read to its end.
std::optional<std::string> fileContents(const std::string& path);

}  // namespace core

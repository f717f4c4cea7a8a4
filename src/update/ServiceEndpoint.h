#pragma once

#include <optional>
#include <string>
#include <string_view>

// The base address of the system's own web service.
namespace ServiceEndpoint {

// The built-in base, trimmed, every trailing "/" removed; none when nothing is left.
std::optional<std::string> resolvedBase();
// The same rule for any text.
std::optional<std::string> resolved(std::string_view base);

}  // namespace ServiceEndpoint

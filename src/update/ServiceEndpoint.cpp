#include "update/ServiceEndpoint.h"

namespace ServiceEndpoint {

namespace {

const char* const builtInBase = "https://glimra.app";

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

std::optional<std::string> resolved(std::string_view base)
{
    while (!base.empty() && isBlank(base.front())) base.remove_prefix(1);
    while (!base.empty() && isBlank(base.back())) base.remove_suffix(1);
    while (!base.empty() && base.back() == '/') base.remove_suffix(1);
    if (base.empty()) return std::nullopt;
    return std::string(base);
}

std::optional<std::string> resolvedBase() { return resolved(builtInBase); }

}  // namespace ServiceEndpoint

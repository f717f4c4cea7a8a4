#pragma once

#include <map>
#include <optional>
#include <string>

// The environment variables the application reads. A scenario run replaces the whole
// process environment with its own list, so the runner's variables never reach the
// application and reruns stay identical. Any thread.
namespace core {

std::optional<std::string> environmentValue(const std::string& name);

// From now on only these variables exist for environmentValue; none: the process's own.
void setEnvironmentOverride(std::optional<std::map<std::string, std::string>> variables);

}  // namespace core

#pragma once

#include <functional>
#include <string>

// The system log: lines other tools (and the user) can read outside the application.
// Written to standard error unless a sink is installed (tests, the scenario runner).
namespace core::systemLog {

void write(const std::string& line);

using Sink = std::function<void(const std::string& line)>;
// Installs a sink; an empty one restores standard error.
void setSink(Sink sink);

}  // namespace core::systemLog

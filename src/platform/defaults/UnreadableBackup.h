#pragma once

#include <optional>
#include <string>

namespace defaults {

// How many moved-aside copies of one file are kept.
inline constexpr int keptUnreadableBackups = 5;

// Moves the file at path to "<path>.unreadable.<N>", N one above the highest number
// already beside it (1 when there is none), never replacing an existing file; then
// deletes all but the keptUnreadableBackups highest-numbered copies. Answers the new
// name, or none when the file could not be moved.
std::optional<std::string> moveAsideUnreadable(const std::string& path);

}  // namespace defaults

#pragma once

#include "platform/core/OwnFolder.h"

#include <optional>
#include <string>

namespace defaults {

// How many moved-aside copies of one file are kept.
inline constexpr int keptUnreadableBackups = 5;

// Moves the folder's file `name` to "<name>.unreadable.<N>", N one above the highest
// number already beside it (1 when there is none), never replacing an existing file; then
// deletes all but the keptUnreadableBackups highest-numbered copies. Answers the new
// path, or none when the file could not be moved.
std::optional<std::string> moveAsideUnreadable(const core::OwnFolder& folder, const std::string& name);

}  // namespace defaults

#pragma once

#include <optional>
#include <string>

namespace defaults {

// Replaces the file (0600) at path with text in one step, creating its folder (0700): a
// reader sees the old contents or the new, never a part. The text goes to a temporary file in the same
// folder, is synced, then renamed over path. Answers why it failed, or none on success.
std::optional<std::string> writeFileAtomically(const std::string& path, const std::string& text);

}  // namespace defaults

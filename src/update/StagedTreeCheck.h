#pragma once

#include "update/ContentRefusal.h"

#include <optional>
#include <string>

// What an unpacked package holds: its one top-level folder, or why it is refused.
struct StagedTree {
    std::optional<std::string> topLevel;  // the one top-level entry's name when it is a folder
    std::optional<ContentRefusal> refusal;
};

// The authority on what was unpacked under root, by lstat: only folders and regular files
// with one link, no set-uid, set-gid or sticky bit, no control characters in a name, at
// most one top-level entry, within the limits.
StagedTree checkStagedTree(const std::string& root, const ContentLimits& limits);

// The name with control characters shown as '?', fit for a message.
std::string printableName(const std::string& name);

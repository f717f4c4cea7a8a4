#pragma once

#include <optional>
#include <string>

// Removes a folder the installer made, with everything in it. A package may hold folders
// its owner cannot write or enter: every folder of the tree first gets rwx for its owner
// (links are never followed). Answers why something is left; none once it is all gone.
std::optional<std::string> removeStagedTree(const std::string& path);

// The same, logging what is left behind.
void discardStagedTree(const std::string& path);

#pragma once

#include <string>

namespace core {

// Takes every permission for group and others off the folder and off each file and folder
// directly in it, so that a mode loosened since is tightened again. Links and entries
// owned by others are left alone. False when there is no such folder.
bool tightenPrivateFolder(const std::string& path);

// Creates the folder (0700) with its parents, then tightens it as above. True when the
// folder exists afterwards.
bool makePrivateFolder(const std::string& path);

}  // namespace core

#pragma once

#include <string>

namespace core {

// Creates the folder (0700) with its parents, then takes every permission for group and
// others off the folder and off each file and folder directly in it, so that a mode
// loosened since is tightened again. Links and entries owned by others are left alone.
// True when the folder exists afterwards.
bool makePrivateFolder(const std::string& path);

}  // namespace core

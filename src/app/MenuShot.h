#pragma once

#include <string>
#include <vector>

// The menu-screenshot launch mode ("-glimra-menu-shot"): the launch opens the status
// menu and a background timer photographs it.
namespace MenuShot {

bool mode(const std::vector<std::string>& args);

// "menu-shot.png" in the thumbnail folder.
std::string path();

// The background timer's work: logs, writes the shot, and answers the exit status
// (0 written, 1 nothing written).
int takeShot();

}  // namespace MenuShot

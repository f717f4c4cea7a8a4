#pragma once

#include <string>

// How support texts name the running system. Any thread.
namespace SystemLine {

// "Linux <the desktop's version text> (<architecture>)": "Linux 24.4 (x86_64)",
// "Linux debian 12 (x86_64)".
std::string line();

}  // namespace SystemLine

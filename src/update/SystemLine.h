#pragma once

#include <string>

// How support texts name the running system. Any thread.
namespace SystemLine {

// major.minor, then ".patch" only when the patch is not 0 ("24.04", "3.19.1"); empty when
// the system does not tell.
std::string osVersion();
// "Linux <osVersion> (<architecture>)".
std::string line();

}  // namespace SystemLine

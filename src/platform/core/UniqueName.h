#pragma once

#include <string>

namespace core {

// A fresh name for a temporary file or folder: a random UUID ("5D0E…"), or, once counted
// names are switched on (scenarios, for the same run every time), "00000000-0000-0000-0000-"
// followed by a 12-digit counter.
std::string uniqueName();
void useCountedUniqueNames(bool counted);

}  // namespace core

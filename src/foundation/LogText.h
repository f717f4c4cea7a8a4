#pragma once

#include <string>

// Booleans in diagnostic lines read "true" or "false".
inline std::string boolText(bool value) { return value ? "true" : "false"; }

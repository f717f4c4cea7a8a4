#pragma once

#include <string>

namespace settings {

// The one reading of an on/off setting: absent, or stored as something that is neither a
// Boolean, a number nor a text, gives defaultValue; a number is on when it is not zero, a
// text when it says "true" or "yes" (any case).
bool storedBool(const std::string& key, bool defaultValue);

}  // namespace settings

#pragma once

#include "platform/defaults/SettingKinds.h"

#include <string>

namespace defaults {

// How a log line tells the user to turn a boolean setting off by hand: the `defaults`
// command where the desktop reads the main texts, the settings file where its words for
// the system's settings differ.
std::string turnOffHint(const StrictBool& setting);

}  // namespace defaults

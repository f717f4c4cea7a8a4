#pragma once

#include "platform/desktop/Workspace.h"

#include <optional>
#include <string>

// The running application behind a window known by its bundle identifier: the instance
// whose process owns the window when that is known and among them, else the first one
// the workspace lists. With two instances of one application the first is not
// necessarily the owner.
std::optional<desktop::RunningApp> owningApplication(const std::string& bundleID, std::optional<desktop::Pid> ownerPid);

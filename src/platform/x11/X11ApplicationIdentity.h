#pragma once

#include "platform/desktop/Types.h"

#include <optional>
#include <string>

namespace x11 {

// The executable the process runs; none when the process is gone or not ours to read.
std::optional<std::string> executableOf(desktop::Pid pid);

// What another client's application goes by where the desktop names applications by a
// bundle identifier: stable for the process and never empty, so that the window list and
// the workspace name the same application alike.
std::string applicationIdentifier(desktop::Pid pid, const std::optional<std::string>& windowClass);

}  // namespace x11

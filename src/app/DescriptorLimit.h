#pragma once

#include <optional>
#include <string>

namespace app {

// Below this many open files the toolkit, the X connections, the worker wake-ups and the
// settings' atomic writes do not all fit, and the process fails at random places.
constexpr unsigned long minimumOpenFiles = 64;

// Raises the soft limit on open files to the hard one, as a run on a desktop may need many
// more than a shell's default. The line that tells the user when even the hard limit is
// below the minimum; none when the process may go on.
std::optional<std::string> raiseOpenFileLimit();

}  // namespace app

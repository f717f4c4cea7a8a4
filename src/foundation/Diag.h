#pragma once

#include <optional>
#include <string>

// The application's diagnostics log: one time-stamped line per call, appended to
// diag.log in the application's data folder, rotated to diag.1.log past 4 MiB. Callable
// from any thread; never reports a failure. A line feed in a message continues the line
// on an indented physical line ("  "); other control characters, C1 controls and the
// Unicode line separators are written as \xNN (a byte) or \uNNNN (a code point).
namespace Diag {

void log(const std::string& message);

// The log file's path; none when the data folder cannot be found. A copy, as
// resetLocation() may change it at any time.
std::optional<std::string> fileURL();

// Forgets the cached path, handle and counter so the next line goes to the folder the
// environment names now (tests and the scenario runner point it elsewhere).
void resetLocation();

}  // namespace Diag

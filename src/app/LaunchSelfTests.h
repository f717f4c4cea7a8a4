#pragma once

#include <optional>
#include <string>
#include <vector>

namespace app {

enum class LaunchSelfTest { layout, size, focus, update, diagnostics, menuThumbnails };

// The self-test the launch arguments ask for: the first of the table present among them,
// whatever their order; none when no argument names one.
std::optional<LaunchSelfTest> requestedSelfTest(const std::vector<std::string>& args);

// The line logged before the self-test runs; none for the diagnostics self-test.
std::optional<std::string> selfTestLogLine(LaunchSelfTest test);

// Runs a self-test that writes only log lines (layout, size, focus, update); returns the
// exit status: 1 when the update self-test had a failed case.
int runLogOnlySelfTest(LaunchSelfTest test);

// Writes the diagnostics self-test's text to glimra-diag.txt in the folder through a
// uniquely named file of its own (0600) renamed over it, so a link planted under the
// final name is replaced, never followed. False when nothing was written.
bool writeDiagnosticsFile(const std::string& folder, const std::string& text);

// The diagnostics self-test: writes the help centre's diagnostics text to
// glimra-diag.txt in the temporary folder and logs two lines; answers the exit status,
// 1 when nothing was written.
int runDiagnosticsSelfTest();

}  // namespace app

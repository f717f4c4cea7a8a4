#pragma once

#include <string>
#include <vector>

namespace app {

// Runs the self-test a launch argument asks for ("-glimra-layout-selftest",
// "-glimra-size-selftest", "-glimra-focus-selftest"; the first one given); false when
// none is asked for.
bool runLaunchSelfTest(const std::vector<std::string>& args);

}  // namespace app

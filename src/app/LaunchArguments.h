#pragma once

#include <string>

namespace app {

// Whether the launch takes the argument: a self-test, the menu shot, the settings hooks'
// arguments or a relaunched copy's wait for the lock.
bool isLaunchArgument(const std::string& argument);

}  // namespace app

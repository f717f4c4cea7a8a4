#pragma once

#include <map>
#include <string>
#include <vector>

namespace testsupport {

// This process's environment with the variables given set on top, as the "NAME=VALUE"
// texts a child process starts with.
std::vector<std::string> childEnvironment(const std::map<std::string, std::string>& variables);

// The texts as the null-terminated list that exec and posix_spawn take; valid while the
// texts live.
std::vector<char*> nullTerminated(const std::vector<std::string>& texts);

}  // namespace testsupport

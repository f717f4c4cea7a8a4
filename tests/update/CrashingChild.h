#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

struct ChildEnd {
    int status = 0;
    std::vector<std::filesystem::path> reports;
};

// Runs `crash` in a child with the fatal-signal handler installed over `previous` as the
// signal's disposition, and collects how the child ended and what it left in the folder.
ChildEnd crashInChild(const std::string& folder, int signal, void (*previous)(int), void (*crash)());

// Reads a page that may not be read: a fault the kernel raises, in a function of this name.
int readForbiddenPage();

// The file name of the running test program.
std::string ownExecutableName();

}  // namespace testsupport

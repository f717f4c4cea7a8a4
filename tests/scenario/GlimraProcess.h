#pragma once

#include <string>

namespace testsupport {

struct ProcessOutcome {
    int status = -1;  // the exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs the glimra executable with the arguments (a shell word list) and the environment
// prefix (e.g. "env -u XDG_RUNTIME_DIR"), capturing both outputs through files in the
// folder.
ProcessOutcome runGlimra(const std::string& arguments, const std::string& scratchFolder,
                         const std::string& environment = "");

}  // namespace testsupport

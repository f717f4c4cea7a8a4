#include "scenario/GlimraProcess.h"

#include "support/TestEnvironment.h"

#include <cstdlib>
#include <sys/wait.h>

namespace testsupport {

ProcessOutcome runGlimra(const std::string& arguments, const std::string& scratchFolder, const std::string& environment)
{
    const std::string out = scratchFolder + "/stdout.txt";
    const std::string err = scratchFolder + "/stderr.txt";
    const std::string command = environment + " " + GLIMRA_EXECUTABLE + " " + arguments + " >" + out + " 2>" + err;
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(out), readFile(err)};
}

}  // namespace testsupport

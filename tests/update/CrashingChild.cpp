#include "update/CrashingChild.h"

#include "update/FatalSignalHandler.h"

#include <csignal>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

ChildEnd crashInChild(const std::string& folder, int signal, void (*previous)(int), void (*crash)())
{
    const pid_t child = ::fork();
    if (child == 0) {
        // Whatever a sanitizer installed, this child starts from a known disposition.
        std::signal(signal, previous);
        FatalSignalHandler::install(folder, "", "Glimra 9.9 (99)\nOS: Linux 24.04 (x86_64)\n");
        crash();
        ::_exit(3);
    }
    ChildEnd end;
    ::waitpid(child, &end.status, 0);
    for (const auto& entry : std::filesystem::directory_iterator(folder)) end.reports.push_back(entry.path());
    return end;
}

[[gnu::noinline]] int readForbiddenPage()
{
    void* page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return *static_cast<volatile int*>(page);
}

std::string ownExecutableName() { return std::filesystem::read_symlink("/proc/self/exe").filename(); }

}  // namespace testsupport
